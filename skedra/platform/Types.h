#pragma once
// The core types most of the package uses.
#include "skedra/platform/Color.h"
#include "skedra/platform/DateTime.h"
#include "skedra/platform/Exceptions.h"
#include "skedra/platform/Geometry.h"
#include "skedra/platform/Method.h"
#include "skedra/platform/Object.h"
#include "skedra/platform/Set.h"
