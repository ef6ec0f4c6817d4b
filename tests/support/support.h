// All of the test support at once, for tests that use most of it.
#pragma once

#include "tests/support/glwindow.h"
#include "tests/support/peer.h"
#include "tests/support/process.h"
#include "tests/support/sandbox.h"
#include "tests/support/xvfb.h"
