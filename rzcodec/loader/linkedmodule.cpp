// The layer linked into the program: nothing to load.
#include "rzcodec/module.h"

extern "C" {

void rz_module_set_init(RZModuleInit init)
{
    if (init)
        init();
}

RZResult rz_module_load(void)
{
    return RZ_OK;
}

const char *rz_module_error(void)
{
    return "";
}

const char *rz_module_path(void)
{
    return "";
}

} // extern "C"
