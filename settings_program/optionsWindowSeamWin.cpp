// The start-up stand-in of optionsWindowSeam.h: no module window is found yet.
#include "optionsWindowSeam.h"

bool showModuleOptionsPlaceholder(SuiteModule, HINSTANCE, HWND) {
    return false;
}
