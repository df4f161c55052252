#pragma once

namespace quillbrook {

class Form1;

// Gives every control of the window a name that says what it is for, as
// screen readers announce it, and makes the progress bar's text its
// description. Buttons and options are named by their captions.
void describeControls(Form1& form);

} // namespace quillbrook
