// The file Python imports as drovik_array: it hands over the module's
// definition from the shared library that drovik's module uses too.
#include "python/module_definitions.h"

extern "C" PyMODINIT_FUNC PyInit_drovik_array() {
  return PyModuleDef_Init(drovik_array_module_definition());
}
