#include "form1.h"

#include "accessibility.h"
#include "apptitle.h"
#include "busystate.h"
#include "desktopfolder.h"
#include "dialogs.h"
#include "failure.h"
#include "keyboard.h"
#include "paths.h"
#include "settingskeys.h"
#include "skin.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTime>
#include <QTreeWidget>

namespace quillbrook {

namespace {

// The design measures in twips; at 96 dots per inch 15 twips make a pixel.
int twips(int value) {
    return qRound(value / 15.0);
}

template <typename Control>
Control* place(QWidget* container, const char* name, int left, int top, int width, int height) {
    auto* control = new Control(container);
    control->setObjectName(QLatin1String(name));
    control->setGeometry(twips(left), twips(top), twips(width), twips(height));
    return control;
}

QPushButton* placeButton(QWidget* container, const char* name, const QString& caption, int left,
                         int top, int width, int height) {
    auto* button = place<QPushButton>(container, name, left, top, width, height);
    button->setText(caption);
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPointSizeF(11.25);
    button->setFont(font);
    return button;
}

void paintWhite(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(widget->backgroundRole(), Qt::white);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// Option buttons of one frame exclude each other, yet start-up may leave both
// cleared: clearing the selected one needs exclusivity lifted for a moment.
void setOptionSelected(QRadioButton* option, bool selected) {
    if (!selected && option->isChecked()) {
        option->setAutoExclusive(false);
        option->setChecked(false);
        option->setAutoExclusive(true);
        return;
    }
    option->setChecked(selected);
}

// The sizes drawn at build time from the icon the desktop shows too.
QIcon applicationIcon() {
    QIcon icon;
    for (const int size : {48, 128, 256})
        icon.addFile(QStringLiteral(":/quillbrook/icon/%1.png").arg(size));
    return icon;
}

const QString listHint = QStringLiteral(
    "Drag and drop files here. Double-click item to remove it. Move | line to right and out "
    "of window to reveal full names.");

} // namespace

std::function<int()> timeSeededDraw() {
    auto generator = std::make_shared<QRandomGenerator>(
        static_cast<quint32>(QTime::currentTime().msecsSinceStartOfDay()));
    return [generator] { return generator->bounded(1, 101); };
}

Form1::Form1(Form1Setup setup) : setup_(std::move(setup)) {
    createControls();
    describeControls(*this);
    connectControls();
    Form_Load();
}

Form1::~Form1() = default;

void Form1::createControls() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(twips(8040), twips(6705));
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPointSize(9);
    setFont(font);
    paintWhite(this);

    ListView1 = place<QTreeWidget>(this, "ListView1", 120, 120, 7800, 2535);
    ListView1->setRootIsDecorated(false);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setSortingEnabled(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setToolTip(listHint);
    ListView1->setColumnCount(0);
    ListView1->setHeaderHidden(false);

    ProgressBar1 = place<QProgressBar>(this, "ProgressBar1", 120, 6180, 7800, 405);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(true);
    ProgressBar1->setFormat(QStringLiteral("Progress Bar"));
    ProgressBar1->setAlignment(Qt::AlignCenter);

    PushButton1 =
        placeButton(this, "PushButton1", QStringLiteral("Add MOBI File(s)"), 120, 2750, 3840, 405);
    PushButton4 = placeButton(this, "PushButton4", QStringLiteral("Add All MOBI File(s) In Folder"),
                              4080, 2750, 3840, 405);
    PushButton2 =
        placeButton(this, "PushButton2", QStringLiteral("Start Converting"), 120, 5660, 7800, 405);
    PushButton6 =
        placeButton(this, "PushButton6", QStringLiteral("Clear List"), 120, 3260, 3840, 405);
    PushButton7 = placeButton(this, "PushButton7", QStringLiteral("Load Sample/Example Files"),
                              4080, 3260, 3840, 405);

    Frame2 = place<QGroupBox>(this, "Frame2", 120, 3710, 7800, 1815);
    Frame2->setTitle(QStringLiteral("Save Option"));
    paintWhite(Frame2);
    Option2 = place<QRadioButton>(Frame2, "Option2", 240, 1410, 3615, 255);
    Option2->setText(QStringLiteral("Save results in folder of original file"));
    paintWhite(Option2);
    Option1 = place<QRadioButton>(Frame2, "Option1", 240, 300, 3615, 255);
    Option1->setText(QStringLiteral("Save results to this folder:"));
    Option1->setChecked(true);
    paintWhite(Option1);
    Frame3 = place<QGroupBox>(Frame2, "Frame3", 480, 510, 6960, 810);
    paintWhite(Frame3);
    Text1 = place<QLineEdit>(Frame3, "Text1", 240, 300, 5775, 345);
    PushButton9 = placeButton(Frame3, "PushButton9", QStringLiteral("..."), 6120, 300, 600, 345);
    // Each to the right of the option row it belongs to, in the frame's free space.
    KeepSubfolders = place<QCheckBox>(Frame2, "KeepSubfolders", 4080, 300, 3600, 255);
    KeepSubfolders->setText(QStringLiteral("Keep sub-folders"));
    paintWhite(KeepSubfolders);
    SkipConverted = place<QCheckBox>(Frame2, "SkipConverted", 4080, 1410, 3600, 255);
    SkipConverted->setText(QStringLiteral("Skip books already converted"));
    paintWhite(SkipConverted);

    // Top to bottom, left to right; the progress bar takes no focus.
    const QList<QWidget*> tabOrder{ListView1,   PushButton1, PushButton4,    PushButton6,
                                   PushButton7, Option1,     KeepSubfolders, Text1,
                                   PushButton9, Option2,     SkipConverted,  PushButton2};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

// Tab reaches the one selected save option (the first when none is), and the
// arrow keys go between the two, as in any group of option buttons. Qt would
// otherwise leave in the chain only whichever option got the focus first.
void Form1::keepSelectedOptionInTabChain() {
    const bool secondReached = Option2->isChecked() && !Option1->isChecked();
    Option1->setFocusPolicy(secondReached ? Qt::ClickFocus : Qt::StrongFocus);
    Option2->setFocusPolicy(secondReached ? Qt::StrongFocus : Qt::ClickFocus);
}

void Form1::connectControls() {
    // The user's own changes: a failure to store them has no handling of the
    // program's own, and must not unwind through the toolkit.
    const auto storeQuietly = [this](void (Form1::*handler)()) {
        return [this, handler] {
            try {
                (this->*handler)();
            } catch (const Failure&) {
            }
        };
    };
    connect(Option1, &QRadioButton::clicked, this, storeQuietly(&Form1::optionSelected));
    connect(Option2, &QRadioButton::clicked, this, storeQuietly(&Form1::optionSelected));
    connect(Text1, &QLineEdit::textEdited, this, storeQuietly(&Form1::Text1_Change));
    for (QCheckBox* box : {KeepSubfolders, SkipConverted})
        connect(box, &QCheckBox::clicked, this, storeQuietly(&Form1::storeLibraryOptions));
    for (QRadioButton* option : {Option1, Option2})
        connect(option, &QRadioButton::toggled, this, &Form1::keepSelectedOptionInTabChain);
    keepSelectedOptionInTabChain();
    pressButtonsWithReturn(*this);
    whenBusyChanges(*this, [this] { showBusyState(); });
    connectListCommands();
    connectFolderCommands();
    connectConversionCommands();
}

QCursor Form1::customPointer() const {
    return handPointer_.value_or(QCursor(Qt::ArrowCursor));
}

void Form1::Form_Load() {
    HandledOperation op(dialogs(), lifetime_, locations::formLoad);
    const QString handPointerFile = programFolder() + QStringLiteral("/HAND-M.CUR");
    SkinFramework skin;
    op.step(100, [&] { applySkin(*this, skin, programFolder()); });
    if (op.when(102, [&] { return PathExists(handPointerFile); }))
        op.step(104, [&] {
            const QPixmap image(handPointerFile);
            if (image.isNull())
                throw Failure(PathFileAccessError, QStringLiteral("LoadPicture"));
            handPointer_ = QCursor(image);
        });
    op.step(106, [&] {
        if (setup_.drawFrom1To100 && setup_.drawFrom1To100() == 7)
            dialogs().openLocation(webAddress);
    });
    op.step(126, [&] {
        setWindowTitle(productName);
        setWindowIcon(applicationIcon());
        setApplicationTitle(deriveApplicationTitle(productName));
    });
    op.step(128, [&] { ListView1->setHeaderLabels({QStringLiteral("MOBI File(s)")}); });
    // The column keeps its width when the window is shown (the header would
    // stretch its last column over the whole list), and a long path is cut at
    // its right edge, so the user widens the column to read the rest.
    op.step(130, [&] {
        ListView1->header()->setStretchLastSection(false);
        ListView1->header()->resizeSection(0, twips(7300));
        ListView1->setTextElideMode(Qt::ElideNone);
    });
    op.step(132, [&] { setText1(settingKeys::Text1.read(GetDesktopFolder())); });
    op.step(134, [&] {
        const bool selected = settingKeys::Option1.read();
        setOptionSelected(Option1, selected);
        if (selected)
            optionSelected();
    });
    op.step(136, [&] {
        const bool selected = settingKeys::Option2.read();
        setOptionSelected(Option2, selected);
        if (selected)
            optionSelected();
    });
    if (op.when(138, [&] { return Option1->isChecked(); }))
        op.step(140, [&] { Frame3->setEnabled(true); });
    else
        op.step(142, [&] { Frame3->setEnabled(false); });
    KeepSubfolders->setEnabled(Option1->isChecked());
    op.step(144, [&] { KeepSubfolders->setChecked(settingKeys::KeepSubfolders.read()); });
    op.step(146, [&] { SkipConverted->setChecked(settingKeys::SkipConverted.read()); });
}

void Form1::optionSelected() {
    settingKeys::Option1.write(Option1->isChecked());
    settingKeys::Option2.write(Option2->isChecked());
    Frame3->setEnabled(Option1->isChecked());
    KeepSubfolders->setEnabled(Option1->isChecked());
}

void Form1::storeLibraryOptions() {
    settingKeys::KeepSubfolders.write(KeepSubfolders->isChecked());
    settingKeys::SkipConverted.write(SkipConverted->isChecked());
}

void Form1::setText1(const QString& text) {
    if (Text1->text() == text)
        return;
    Text1->setText(text);
    Text1_Change();
}

void Form1::Text1_Change() {
    settingKeys::Text1.write(Text1->text());
}

void Form1::closeWithoutAsking() {
    closingWithoutAsking_ = true;
    close();
}

void Form1::closeEvent(QCloseEvent* event) {
    if (!closingWithoutAsking_ && !askToStopConversionRunBeforeClosing(conversionState_)) {
        event->ignore();
        return;
    }
    lifetime_.end();
    endConversionRun(conversionState_);
    // Stored at each click too; a store that cannot be written has been told of then.
    try {
        storeLibraryOptions();
    } catch (const Failure&) {
    }
    event->accept();
}

} // namespace quillbrook
