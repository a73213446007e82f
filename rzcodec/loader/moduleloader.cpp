// The layer as a module of its own. Every function of its headers is a
// trampoline in the program (generated from the module's exports) that jumps
// through its slot; the first call finds the slot empty and comes here, and
// one load binds every slot at once. Calls made meanwhile on other threads
// wait for that load.
#include "rzcodec/module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#define VELMORA_HIDDEN __attribute__((visibility("hidden")))

extern "C" {
// Made by the generator with the trampolines.
VELMORA_HIDDEN extern void *velmora_codec_slots[];
VELMORA_HIDDEN extern const char *const velmora_codec_names[];
VELMORA_HIDDEN extern const uint32_t velmora_codec_slot_count;
// Returns 0 in every result register: what every call gives once the module
// could not be loaded (null handle, failed result).
VELMORA_HIDDEN void velmora_codec_unavailable(void);
// Called by a trampoline whose slot is empty: the address to go on to.
VELMORA_HIDDEN void *velmora_codec_bind(uint32_t index);
}

namespace {

struct Loader
{
    std::once_flag once;
    std::mutex initLock;
    RZModuleInit init = nullptr;
    bool initialised = false;
    std::atomic<bool> loaded{false};
    std::atomic<bool> failed{false};
    std::string error;
    std::vector<void *> staged;
};

Loader &loader()
{
    static Loader instance;
    return instance;
}

// Set while the init hook runs inside the load: its own calls use the
// addresses found before they are published to everyone else.
thread_local bool t_initialising = false;

// Beside the program, never through the current folder or the environment.
std::string modulePath()
{
    std::string self(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", &self[0], self.size());
    if (length <= 0 || static_cast<size_t>(length) >= self.size())
        return std::string();
    self.resize(static_cast<size_t>(length));
    // The program's folder, then the relative path with its "../" taken
    // off that folder: the path reads as the file is named in messages.
    std::string folder = self.substr(0, self.rfind('/'));
    std::string relative = VELMORA_CODEC_MODULE_RELPATH;
    while (relative.compare(0, 3, "../") == 0 && folder.find('/') != std::string::npos) {
        folder.erase(folder.rfind('/'));
        relative.erase(0, 3);
    }
    return folder + '/' + relative;
}

const std::string &thePath()
{
    static const std::string path = modulePath();
    return path;
}

void publish(const std::vector<void *> &addresses)
{
    for (uint32_t i = 0; i < velmora_codec_slot_count; ++i)
        __atomic_store_n(&velmora_codec_slots[i], addresses[i], __ATOMIC_RELEASE);
}

void fail(Loader &state, const std::string &why)
{
    const std::string &path = thePath();
    state.error = why.find(path) == std::string::npos || path.empty() ? path + ": " + why : why;
    state.failed.store(true, std::memory_order_release);
    publish(std::vector<void *>(velmora_codec_slot_count,
                                reinterpret_cast<void *>(&velmora_codec_unavailable)));
}

void load(Loader &state)
{
    const std::string &path = thePath();
    if (path.empty()) {
        fail(state, "the program's own path cannot be read from /proc/self/exe");
        return;
    }
    // Everything resolved now: a module that does not fit fails here, not
    // at some later call.
    void *handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char *why = ::dlerror();
        fail(state, why ? why : "cannot be loaded");
        return;
    }
    state.staged.assign(velmora_codec_slot_count, nullptr);
    for (uint32_t i = 0; i < velmora_codec_slot_count; ++i) {
        state.staged[i] = ::dlsym(handle, velmora_codec_names[i]);
        if (!state.staged[i]) {
            fail(state, std::string("the module lacks ") + velmora_codec_names[i]
                            + " (it belongs to another build of the program)");
            ::dlclose(handle);
            return;
        }
    }
    {
        std::lock_guard<std::mutex> guard(state.initLock);
        if (state.init) {
            t_initialising = true;
            state.init();
            t_initialising = false;
        }
        state.initialised = true;
    }
    publish(state.staged);
    state.loaded.store(true, std::memory_order_release);
}

} // namespace

extern "C" {

void *velmora_codec_bind(uint32_t index)
{
    Loader &state = loader();
    if (t_initialising)
        return state.staged[index];
    std::call_once(state.once, load, std::ref(state));
    return __atomic_load_n(&velmora_codec_slots[index], __ATOMIC_ACQUIRE);
}

void rz_module_set_init(RZModuleInit init)
{
    Loader &state = loader();
    std::lock_guard<std::mutex> guard(state.initLock);
    state.init = init;
    if (state.initialised && init)
        init();
}

RZResult rz_module_load(void)
{
    Loader &state = loader();
    std::call_once(state.once, load, std::ref(state));
    return state.loaded.load(std::memory_order_acquire) ? RZ_OK : RZ_FAILED;
}

const char *rz_module_error(void)
{
    Loader &state = loader();
    return state.failed.load(std::memory_order_acquire) ? state.error.c_str() : "";
}

const char *rz_module_path(void)
{
    return thePath().c_str();
}

} // extern "C"
