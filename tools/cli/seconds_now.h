// Seconds on the performance counter, for rates and time stamps.
#pragma once

double SecondsNow();
