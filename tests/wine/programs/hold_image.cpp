// quenlo-hold-image.exe: a running program that tests install over. It signals the event named
// by its first argument once it runs, then waits until the event named by its second argument is
// set (at most a minute), so its own file stays mapped as a running program's image meanwhile.
#include <windows.h>

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  HANDLE started = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[1]);
  HANDLE finish = OpenEventA(SYNCHRONIZE, FALSE, argv[2]);
  if (started == nullptr || finish == nullptr) return 3;
  SetEvent(started);
  return WaitForSingleObject(finish, 60000) == WAIT_OBJECT_0 ? 0 : 4;
}
