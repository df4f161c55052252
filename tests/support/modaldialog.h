#pragma once

#include <functional>

class QWidget;

namespace quillbrook::test {

// Calls the action once with the modal dialog the code under test shows next,
// as soon as it is on the screen; the code under test may still be making it
// when this is called.
void actOnModalDialog(std::function<void(QWidget*)> action);

} // namespace quillbrook::test
