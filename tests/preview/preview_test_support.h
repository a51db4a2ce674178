// The preview tests use the .reg library tests' helpers: machines written as
// .reg text, the registry checked by path, temporary files.
#pragma once

#include "regfile_test_support.h"
