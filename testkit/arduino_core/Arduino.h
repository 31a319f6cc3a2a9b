// The little of the Arduino core that ArdunFrame.h uses, so that its Arduino
// calls run on the PC.
#pragma once

#include <stddef.h>
#include <stdint.h>

class __FlashStringHelper;

class String {};

class Print {
public:
    virtual ~Print() = default;
    virtual size_t write(const uint8_t* bytes, size_t count) = 0;
};
