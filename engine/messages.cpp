#include "engine/messages.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>

#include "engine/build_job.h"

namespace {

EngineMessageHook g_hook = nullptr;
void* g_hookContext = nullptr;
bool g_toStdout = true;

void emit(const char* format, va_list args) {
    // The hook may want the reason of the call that failed: printing must not lose it.
    int reason = errno;
    char text[1024];
    std::vsnprintf(text, sizeof text, format, args);
    if (g_toStdout) {
        std::fputs(text, stdout);
        std::fflush(stdout);
    }
    errno = reason;
    if (g_hook) g_hook(text, g_hookContext);
    errno = reason;
}

} // namespace

void engineSetMessageHook(EngineMessageHook hook, void* context) {
    g_hook = hook;
    g_hookContext = context;
}

void engineSetStdoutMessages(bool on) {
    g_toStdout = on;
}

void engineNotice(const char* format, ...) {
    va_list args;
    va_start(args, format);
    emit(format, args);
    va_end(args);
}

void jobFault(BuildJob* job, const char* format, ...) {
    if (job) ++job->errorCount;
    va_list args;
    va_start(args, format);
    emit(format, args);
    va_end(args);
}
