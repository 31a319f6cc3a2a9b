#include "tools/trace/out_file.h"

#include <errno.h>
#include <string.h>

bool OutFile::Open(const std::string& path)
{
    if (path.empty())
        return true;
    file = fopen(path.c_str(), "w");
    if (file == NULL)
        fprintf(stderr, "ardun-trace: %s could not be made: %s\n", path.c_str(), strerror(errno));
    return file != NULL;
}

OutFile::~OutFile()
{
    if (file != NULL)
        (void)fclose(file);  // every line was flushed as it was written
}
