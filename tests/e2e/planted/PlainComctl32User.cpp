// A program that imports comctl32 by name with no manifest and no search restriction: the
// loader looks in its own folder first.
#include <windows.h>
#include <commctrl.h>

int main()
{
    InitCommonControls();
    return 0;
}
