// The close question that is the only way to end the program.
#pragma once

namespace vx {

// Asks the user whether to close. On Yes ends the program with exit code 0 and does not return;
// returns false when the user refuses, and the window stays as it was.
bool ConfirmClose();

}  // namespace vx
