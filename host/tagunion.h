#pragma once
// TagUnion lives in the store, where the command line's scan uses it too.
#include "store/tagunion.h"
