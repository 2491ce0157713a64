// A test helper preloaded into quillard-cli (LD_PRELOAD): stops the process at the n-th rename, link
// or unlink it makes, as a kill -9, a power cut or a Ctrl-C at that exact point would.
//   QUILLARD_STOP_AT=n       the call to stop at, 1 for the first
//   QUILLARD_STOP_ONLY=call  count only this call (rename, link or unlink); all three when unset
//   QUILLARD_STOP_SIGNAL=sig KILL (default): the process dies before the call is made;
//                            INT, TERM or HUP: the signal is raised right after the call returns
// Built without sanitizers; under AddressSanitizer the runner sets verify_asan_link_order=0.
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>

namespace {

long g_calls = 0;

template <class... Arguments> int Call(const char *name, Arguments... arguments) {
    const char *only = std::getenv("QUILLARD_STOP_ONLY"), *at = std::getenv("QUILLARD_STOP_AT");
    const char *signalName = std::getenv("QUILLARD_STOP_SIGNAL");
    int signalNumber = 0;
    if ((!only || std::strcmp(only, name) == 0) && at && ++g_calls == std::atol(at)) {
        if (!signalName || std::strcmp(signalName, "KILL") == 0) ::raise(SIGKILL);
        signalNumber = std::strcmp(signalName, "INT") == 0    ? SIGINT
                       : std::strcmp(signalName, "TERM") == 0 ? SIGTERM
                                                              : SIGHUP;
    }
    const auto real = reinterpret_cast<int (*)(Arguments...)>(::dlsym(RTLD_NEXT, name));
    const int result = real(arguments...);
    const int error = errno;
    if (signalNumber) ::raise(signalNumber);
    errno = error;
    return result;
}

} // namespace

extern "C" int rename(const char *from, const char *to) { return Call("rename", from, to); }
extern "C" int link(const char *from, const char *to) { return Call("link", from, to); }
extern "C" int unlink(const char *path) { return Call("unlink", path); }
