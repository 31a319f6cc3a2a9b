#include "tools/trace/out_file.h"

#include <errno.h>
#include <string.h>

FILE* OpenOutFile(const std::string& path)
{
    FILE* file = fopen(path.c_str(), "w");
    if (file == NULL)
        fprintf(stderr, "ardun-trace: %s could not be made: %s\n", path.c_str(), strerror(errno));
    return file;
}
