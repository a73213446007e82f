#pragma once
/* Where the program is built with the layer as a module of its own, the
 * module is loaded the first time any call of the layer is made (or when
 * rz_module_load is called), so that starting the program does not load
 * FFmpeg and TagLib. Where the layer is linked in, these calls do nothing
 * that waits: the layer is always there. */

#include "rzcodec/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Runs once, right after the layer is loaded and before any other call into
 * it can go on (at once where the layer is already there). It may call the
 * layer; it must not call rz_module_load. Set it before the first call. */
typedef void (*RZModuleInit)(void);
void rz_module_set_init(RZModuleInit init);
/* Loads the layer now unless it is loaded already; a call made on another
 * thread meanwhile waits for the load. 1 = the layer is there; 0 = it could
 * not be loaded, and every call of the layer fails (returns 0 or null). */
RZResult rz_module_load(void);
/* Why the load failed, naming the module's path ("" until a load failed). */
const char *rz_module_error(void);
/* The module's file ("" where the layer is linked in). */
const char *rz_module_path(void);

#ifdef __cplusplus
}
#endif
