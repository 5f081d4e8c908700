// quenlodep.dll as the test copies it into the system folder, where a codec's dependencies lie
// during registration: it answers S_OK.
#include <windows.h>

extern "C" __declspec(dllexport) HRESULT QuenloDependencyAnswer() { return S_OK; }
