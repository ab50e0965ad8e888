// The file Python imports as drovik: it hands over the module's definition
// from the shared library beside it.
#include "python/module_definitions.h"

extern "C" PyMODINIT_FUNC PyInit_drovik() { return PyModuleDef_Init(drovik_module_definition()); }
