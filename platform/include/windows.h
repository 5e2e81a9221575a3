// The Win32 subset this platform provides: types, constants and entry points
// with the names, values and semantics of the real API.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "win/types.h"
#include "win/gdi.h"
#include "win/user.h"
#include "win/resources.h"
