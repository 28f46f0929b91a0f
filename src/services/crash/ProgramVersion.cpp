#include "services/crash/ProgramVersion.h"

int GetProgramVersion(int* major, int* minor, int* build)
{
    if (!major || !minor || !build)
        return -1;
    *major = LUMORA_VERSION_MAJOR;
    *minor = LUMORA_VERSION_MINOR;
    *build = LUMORA_VERSION_PATCH;
    return 0;
}
