#ifndef ARDUN_COMMON_VERSION_H
#define ARDUN_COMMON_VERSION_H

// The release's version, in the one place it is written. The plug-in reports
// the text to the host, the version resources of the DLL and the tools carry
// the numbers and the text, and the release package is named after it. Plain
// preprocessor definitions, so that resource scripts can include this too.
#define ARDUN_VERSION_MAJOR 1
#define ARDUN_VERSION_MINOR 0
#define ARDUN_VERSION_PATCH 0

#define ARDUN_VERSION_STRINGIZE(number) #number
#define ARDUN_VERSION_PART(number) ARDUN_VERSION_STRINGIZE(number)
#define ARDUN_VERSION_TEXT                                                                                   \
    ARDUN_VERSION_PART(ARDUN_VERSION_MAJOR)                                                                  \
    "." ARDUN_VERSION_PART(ARDUN_VERSION_MINOR) "." ARDUN_VERSION_PART(ARDUN_VERSION_PATCH)

#endif
