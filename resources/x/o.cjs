/* Quillbrook's own skin: a Qt style sheet applied to the main window.
   The window, its frames and its option buttons take the system's
   button-face colour from the program itself, so no rule here sets their
   background. */

QPushButton {
    color: #ffffff;
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1,
                                      stop: 0 #3f83b5, stop: 1 #2c6592);
    border: 1px solid #1f4d70;
    border-radius: 5px;
    padding: 2px 8px;
}
QPushButton:hover {
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1,
                                      stop: 0 #5197c9, stop: 1 #3574a3);
}
/* The keyboard focus: a 2-pixel ring in the dark focus colour, which stands
   out from the light window around it and, with the lighter face a focused
   button takes, from the button itself: at least 3:1 both ways. */
QPushButton:focus {
    border: 2px solid #0b2233;
    padding: 1px 7px;
    background-color: #3f83b5;
}
QPushButton:pressed {
    background-color: #244f73;
}
QPushButton:disabled {
    color: #e4e8ec;
    background-color: #a7b4bf;
    border-color: #8d99a4;
}

QGroupBox {
    border: 1px solid #a9b7c4;
    border-radius: 6px;
    color: #1f4d70;
}
QGroupBox::title {
    subcontrol-origin: border;
    subcontrol-position: top left;
    left: 10px;
    top: -1px;
    padding: 0 4px;
}
QGroupBox:disabled {
    border-color: #c9d1d8;
}

QRadioButton {
    color: #1d2b36;
}
QRadioButton:disabled, QGroupBox:disabled {
    color: #8d99a4;
}

QTreeWidget {
    background-color: #ffffff;
    alternate-background-color: #f4f8fb;
    border: 1px solid #a9b7c4;
    border-radius: 4px;
    color: #1d2b36;
    selection-background-color: #3f83b5;
    selection-color: #ffffff;
}
QTreeWidget:focus {
    border: 2px solid #0b2233;
}
QHeaderView::section {
    background-color: #dfe8f0;
    color: #1f4d70;
    border: none;
    border-bottom: 1px solid #a9b7c4;
    padding: 3px 6px;
}

QLineEdit {
    background-color: #ffffff;
    color: #1d2b36;
    border: 1px solid #a9b7c4;
    border-radius: 4px;
    padding: 1px 4px;
    selection-background-color: #3f83b5;
}
QLineEdit:focus {
    border: 2px solid #0b2233;
    padding: 0px 3px;
}
QLineEdit:disabled {
    background-color: #eef1f4;
    color: #8d99a4;
}

QProgressBar {
    background-color: #ffffff;
    border: 1px solid #a9b7c4;
    border-radius: 5px;
    color: #1d2b36;
    text-align: center;
}
QProgressBar::chunk {
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1,
                                      stop: 0 #7cc0a0, stop: 1 #4f9d7a);
    border-radius: 4px;
}

QToolTip {
    background-color: #fff8e1;
    color: #1d2b36;
    border: 1px solid #d9c58b;
}
