// A call of the system outside the platform, which the include check must report.
#include <windows.h>
