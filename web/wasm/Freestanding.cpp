// SPDX-License-Identifier: ISC
// What the WebAssembly module needs from outside a C++ program, answered
// inside it, so that the module imports nothing and any embedder can
// instantiate it as it is.
//
// Exceptions: the build has no exception handling. The toolkit's two throws (a
// cosine of an argument beyond 2^63 or not a number, and a transform of a size
// it does not have) cannot happen for the window and the transform the engine
// builds; if one ever did, the module stops with a trap, which the caller sees
// as an error, instead of running on in a wrong state.
//
// The system: the C library asks for the environment once (the locale of the
// number texts, whose decimal separator is then '.') and holds a standard
// error stream it never writes to here. The module has no environment and no
// files: every such call answers "bad file descriptor", and an exit traps.
#include <cstddef>
#include <cstdint>

namespace {
constexpr int32_t kSuccess = 0;
constexpr int32_t kBadFileDescriptor = 8;
} // namespace

extern "C" {

void* __cxa_allocate_exception(std::size_t) { __builtin_trap(); }

[[noreturn]] void __cxa_throw(void*, void*, void (*)(void*)) { __builtin_trap(); }

int32_t __imported_wasi_snapshot_preview1_environ_sizes_get(int32_t countAddress,
                                                            int32_t sizeAddress) {
    *reinterpret_cast<int32_t*>(static_cast<uintptr_t>(countAddress)) = 0;
    *reinterpret_cast<int32_t*>(static_cast<uintptr_t>(sizeAddress)) = 0;
    return kSuccess;
}

int32_t __imported_wasi_snapshot_preview1_environ_get(int32_t, int32_t) { return kSuccess; }

int32_t __imported_wasi_snapshot_preview1_fd_close(int32_t) { return kBadFileDescriptor; }

int32_t __imported_wasi_snapshot_preview1_fd_seek(int32_t, int64_t, int32_t, int32_t) {
    return kBadFileDescriptor;
}

int32_t __imported_wasi_snapshot_preview1_fd_write(int32_t, int32_t, int32_t, int32_t) {
    return kBadFileDescriptor;
}

[[noreturn]] void __imported_wasi_snapshot_preview1_proc_exit(int32_t) { __builtin_trap(); }

} // extern "C"
