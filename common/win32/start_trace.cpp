// Start-up timeline marks: a fixed table filled in memory, written once, so a traced start
// costs the marks alone and nothing of it is seen by the player.
#include "common/win32/start_trace.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <iterator>

namespace slovo::trace {

namespace {

struct Mark {
    const char* phase;
    LARGE_INTEGER at;
    SIZE_T workingSet;
};

Mark g_marks[96];
int g_count = 0;
bool g_armed = false;
bool g_written = false;
bool g_looping = false;

wchar_t g_file[MAX_PATH];

bool enabled()
{
    return GetEnvironmentVariableW(L"SLOVO_START_TRACE", g_file, MAX_PATH) - 1 < MAX_PATH - 1;
}

// The process's creation in the performance counter's time: the loader's share of the start.
LONGLONG creationTicks(LONGLONG frequency)
{
    FILETIME created, unused, now;
    LARGE_INTEGER counter;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &unused, &unused, &unused))
        return 0;
    // Windows 7 lacks the precise clock; imported, the program would not start there at all.
    using PreciseTime = void(WINAPI*)(LPFILETIME);
    const auto precise = reinterpret_cast<PreciseTime>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
    (precise ? precise : GetSystemTimeAsFileTime)(&now);
    QueryPerformanceCounter(&counter);
    const auto hundredNs = [](FILETIME t) { return (LONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return counter.QuadPart - (hundredNs(now) - hundredNs(created)) * frequency / 10000000;
}

void write()
{
    g_written = true;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const LONGLONG origin = creationTicks(frequency.QuadPart);
    // Appended, so the runs of a benchmark gather in one file.
    FILE* out = _wfopen(g_file, L"a");
    if (!out)
        return;
    // The whole command line: one program started with other arguments is timed apart.
    const char* program = GetCommandLineA();
    std::fprintf(out, "# %s: ms since process creation, ms since the previous mark, working set MiB, phase ended\n",
                 program);
    double previous = 0;
    for (int i = 0; i < g_count; ++i) {
        const double ms = double(g_marks[i].at.QuadPart - origin) * 1000.0 / double(frequency.QuadPart);
        std::fprintf(out, "%9.2f %8.2f %6.1f  %s\n", ms, ms - previous, double(g_marks[i].workingSet) / 1048576.0,
                     g_marks[i].phase);
        previous = ms;
    }
    std::fclose(out);
}

// Run among the static initialisers, so the first mark tells the loader's share; a program
// closed before its queue was ever empty still leaves its marks.
struct Started {
    Started() { mark("loader and static initialisers (this mark's own)"); }
    ~Started()
    {
        if (on() && !g_written)
            write();
    }
} g_started;

} // namespace

bool on()
{
    static const bool traced = enabled();
    return traced;
}

void keep(const char* phase)
{
    if (g_count == int(std::size(g_marks)))
        return;
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    K32GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    g_marks[g_count].workingSet = memory.WorkingSetSize;
    g_marks[g_count].phase = phase;
    QueryPerformanceCounter(&g_marks[g_count++].at);
    // The same mark in Wine's debug channel, beside the loader's library loads.
    OutputDebugStringA(phase);
}

void arm()
{
    if (on())
        g_armed = true;
}

void idle()
{
    if (!g_armed || g_written)
        return;
    if (!g_looping) {
        g_looping = true;
        keep("message loop reached");
    }
    if (HIWORD(GetQueueStatus(QS_ALLINPUT)) != 0)
        return;
    keep("queue empty");
    write();
}

} // namespace slovo::trace
