// libtorva.so: the one export, OpenForm.
#include "audit/tfrm_main.h"

extern "C" __attribute__((visibility("default"))) void OpenForm(const char*, const char*, const char*,
                                                                const char*, double, double) {}
