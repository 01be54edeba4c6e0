#pragma once
#include "link/port.h"
#include "support/core/context_fixture.h"

// Virtual clock, captured traces, and the link state of a fresh process
// before and after each test.
using LinkTest = ContextTest;
