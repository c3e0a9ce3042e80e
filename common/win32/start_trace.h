// Start-up timeline marks, a measurement aid (see docs/ARCHITECTURE.md): only when the
// environment variable SLOVO_START_TRACE names a file does a mark keep its time; the file gets
// every mark (appended), in milliseconds since the process was created, once the first paint is done.
#pragma once

namespace slovo::trace {

// Whether this run is traced; decided once.
bool on();

// Keeps the time of a phase's end; the name must outlive the program (a string literal).
inline void mark(const char* phase)
{
    void keep(const char* phase);
    if (on())
        keep(phase);
}

// Called by the message loop: after `arm`, marks the loop reached and, the first time the
// queue is empty, the last mark, and writes the file (else it is written at exit).
void idle();
void arm();

} // namespace slovo::trace
