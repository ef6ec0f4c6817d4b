// What end-to-end and drawing tests share, one header per file: child processes, scripted ends of
// game connections, the shared X display, the real client in a sandbox, and a GL window.
#pragma once

#include "tests/support/client.h"
#include "tests/support/glwindow.h"
#include "tests/support/peer.h"
#include "tests/support/process.h"
