// The debugger output: text the engine sends with OutputDebugStringA goes to stderr when
// asked for (ORVIK_DEBUG_OUTPUT=1 in the environment, or SetDebugOutputEnabled), and to a
// sink that tests install to see exactly what was sent.
#pragma once

namespace host {

void OutputDebugStringA(const char* text);

void SetDebugOutputEnabled(bool on);
bool IsDebugOutputEnabled();

using DebugOutputSink = void (*)(const char* text, void* context);
// A null sink removes it.
void SetDebugOutputSink(DebugOutputSink sink, void* context);

}  // namespace host
