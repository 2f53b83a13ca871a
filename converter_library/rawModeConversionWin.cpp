// The Raw Mode conversion of one Word document. Until the worker that asks for the document, has Word save it as RTF,
// runs the per-file job and has Word save the result is built, the task ends at once as if the user had cancelled
// the open dialog: the window shows nothing and is free again.
#include "rawModeTask.h"

int32_t runRawModeConversion() {
    return 1; // the open dialog was cancelled: silent
}
