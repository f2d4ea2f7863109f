// An include against the direction, which the include check must report.
#pragma once
#include "pager/pager.h"
