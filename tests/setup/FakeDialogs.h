#pragma once
// Records every box shown and answers OK (unless a test scripts answers).
#include "support/ScriptedDialogs.h"

namespace tarvo::test {

using FakeDialogs = ScriptedDialogs;

}  // namespace tarvo::test
