#pragma once
// The hosts' object model with its wrappers, in one include.
#include "officeapi/addin.h"
#include "officeapi/addinwrappers.h"
#include "officeapi/commandbars.h"
#include "officeapi/commandbarswrappers.h"
#include "officeapi/powerpoint.h"
#include "officeapi/powerpointwrappers.h"
#include "officeapi/word.h"
#include "officeapi/wordwrappers.h"
