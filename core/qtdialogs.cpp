#include "apptitle.h"
#include "dialogs.h"
#include "failure.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStringView>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

namespace quillbrook {

namespace {

QString titleOrApplicationTitle(const QString& title) {
    return title.isEmpty() ? applicationTitle() : title;
}

QMessageBox::Icon messageIcon(Dialogs::Icon icon) {
    switch (icon) {
    case Dialogs::Icon::Exclamation:
        return QMessageBox::Warning;
    case Dialogs::Icon::Information:
        return QMessageBox::Information;
    case Dialogs::Icon::Question:
        return QMessageBox::Question;
    case Dialogs::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// The picture a message box shows for the icon.
QPixmap iconPixmap(Dialogs::Icon icon, const QWidget& dialog) {
    const QStyle* style = dialog.style();
    const QStyle::StandardPixmap picture =
        icon == Dialogs::Icon::Exclamation ? QStyle::SP_MessageBoxWarning
        : icon == Dialogs::Icon::Question  ? QStyle::SP_MessageBoxQuestion
                                           : QStyle::SP_MessageBoxInformation;
    const int size = style->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &dialog);
    return style->standardIcon(picture, nullptr, &dialog).pixmap(size, size);
}

QRect screenAreaOf(const QWidget* owner) {
    const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

// Room a message box needs besides its text: the window's title bar, the
// margins and the row of buttons, generously.
int messageBoxChrome(const QFontMetrics& metrics) {
    return 6 * metrics.lineSpacing() + 120;
}

// The widest a message box's text grows before its lines wrap, as QMessageBox
// computes it.
int wrapWidth(const QRect& screenArea) {
    return qMin(screenArea.width() / 2, 500);
}

// The widest a message box's text grows when a word is longer than the wrap width.
int widestTextWidth(const QRect& screenArea) {
    return screenArea.width() <= 1024 ? screenArea.width() : qMin(screenArea.width() - 480, 1000);
}

// A bound on the number of lines the text takes when its lines wrap at the
// given width, from its line lengths alone.
qsizetype estimatedLineCount(const QString& text, const QFontMetrics& metrics, int width) {
    const qsizetype charactersPerLine = qMax(1, width / qMax(1, metrics.averageCharWidth()));
    qsizetype lines = 0;
    for (const QStringView line : QStringView(text).tokenize(QLatin1Char('\n')))
        lines += qMax<qsizetype>(1, (line.size() + charactersPerLine - 1) / charactersPerLine);
    return lines;
}

// Whether a message box showing the text fits the screen area with its
// buttons. The estimate from line lengths costs time in proportion to the
// text's length; only a text it lets through, at most a screenful, is laid out.
bool messageBoxFits(const QString& text, const QFontMetrics& metrics, const QRect& screenArea) {
    const int textHeight = screenArea.height() - messageBoxChrome(metrics);
    if (estimatedLineCount(text, metrics, widestTextWidth(screenArea)) * metrics.lineSpacing() >
        textHeight)
        return false;
    const QRect laidOut = metrics.boundingRect(QRect(0, 0, wrapWidth(screenArea), textHeight),
                                               Qt::TextWordWrap, text);
    return laidOut.height() <= textHeight;
}

QDialogButtonBox::StandardButtons dialogButtons(Dialogs::Buttons buttons) {
    return buttons == Dialogs::Buttons::Ok ? QDialogButtonBox::Ok
                                           : QDialogButtonBox::Yes | QDialogButtonBox::No;
}

QPushButton* defaultButton(const QDialogButtonBox& buttonBox, Dialogs::Buttons buttons) {
    switch (buttons) {
    case Dialogs::Buttons::Ok:
        return buttonBox.button(QDialogButtonBox::Ok);
    case Dialogs::Buttons::YesNo:
        return buttonBox.button(QDialogButtonBox::Yes);
    case Dialogs::Buttons::YesNoDefaultNo:
        break;
    }
    return buttonBox.button(QDialogButtonBox::No);
}

Dialogs::Answer answerOf(QDialogButtonBox::StandardButton button) {
    switch (button) {
    case QDialogButtonBox::Yes:
        return Dialogs::Answer::Yes;
    case QDialogButtonBox::No:
        return Dialogs::Answer::No;
    default:
        return Dialogs::Answer::Ok;
    }
}

QPlainTextEdit* scrollingTextArea(const QString& text, QWidget* parent) {
    auto* area = new QPlainTextEdit(parent);
    area->setReadOnly(true);
    area->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    area->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // A path or one of calibre's lines may run for thousands of characters
    // without a blank.
    area->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    area->setPlainText(text);
    return area;
}

// A message too tall for a message box: the text in a scrolling area inside a
// dialog that fits the screen, with the buttons always in view.
Dialogs::Answer showScrollingMessage(QWidget* owner, const QString& text, Dialogs::Buttons buttons,
                                     Dialogs::Icon icon, const QString& title,
                                     const QRect& screenArea) {
    QDialog dialog(owner);
    dialog.setWindowTitle(title);
    auto* textRow = new QHBoxLayout;
    if (icon != Dialogs::Icon::None) {
        auto* iconLabel = new QLabel(&dialog);
        iconLabel->setPixmap(iconPixmap(icon, dialog));
        textRow->addWidget(iconLabel, 0, Qt::AlignTop);
    }
    QPlainTextEdit* textArea = scrollingTextArea(text, &dialog);
    textRow->addWidget(textArea);
    auto* buttonBox = new QDialogButtonBox(dialogButtons(buttons), &dialog);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(textRow);
    layout->addWidget(buttonBox);

    Dialogs::Answer answer =
        buttons == Dialogs::Buttons::Ok ? Dialogs::Answer::Ok : Dialogs::Answer::No;
    QObject::connect(buttonBox, &QDialogButtonBox::clicked, &dialog, [&](QAbstractButton* button) {
        answer = answerOf(buttonBox->standardButton(button));
        dialog.accept();
    });
    // As in a message box, Copy takes the whole text unless the text area has
    // the focus, where it takes the selection.
    QObject::connect(new QShortcut(QKeySequence::Copy, &dialog), &QShortcut::activated, textArea,
                     [textArea] {
                         textArea->selectAll();
                         textArea->copy();
                     });
    QPushButton* focused = defaultButton(*buttonBox, buttons);
    focused->setDefault(true);
    focused->setFocus();

    // Three quarters of the screen's height leave room for the window's frame.
    const QFontMetrics metrics(textArea->font());
    dialog.resize(qMin(screenArea.width() * 3 / 4, 120 * metrics.averageCharWidth()),
                  screenArea.height() * 3 / 4);
    dialog.exec();
    return answer;
}

} // namespace

// Messages break their lines with CR LF or, as the program's own texts do,
// with bare CRs; Qt breaks lines only at LF.
QString displayedText(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

Dialogs::Answer QtDialogs::messageBox(const QString& text, Buttons buttons, Icon icon,
                                      const QString& title) {
    const QString shownText = displayedText(text);
    const QRect screenArea = screenAreaOf(owner_);
    const QFont font = owner_ ? owner_->font() : QApplication::font("QMessageBox");
    if (!messageBoxFits(shownText, QFontMetrics(font), screenArea))
        return showScrollingMessage(owner_, shownText, buttons, icon,
                                    titleOrApplicationTitle(title), screenArea);
    const bool yesNo = buttons != Buttons::Ok;
    const auto standardButtons = yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
    QMessageBox box(messageIcon(icon), titleOrApplicationTitle(title), shownText, standardButtons,
                    owner_);
    if (buttons == Buttons::YesNoDefaultNo)
        box.setDefaultButton(QMessageBox::No);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return yesNo ? Answer::No : Answer::Ok;
    }
}

void QtDialogs::errorReport(const QString& text) {
    messageBox(text, Buttons::Ok, Icon::Exclamation, QStringLiteral("Application Error"));
}

QString QtDialogs::inputBox(const QString& prompt, const QString& title,
                            const QString& defaultText) {
    bool accepted = false;
    const QString answer =
        QInputDialog::getText(owner_, titleOrApplicationTitle(title), displayedText(prompt),
                              QLineEdit::Normal, defaultText, &accepted);
    return accepted ? answer : QString();
}

QStringList QtDialogs::openFiles(const QString& title, const QString& filter,
                                 const QString& startFolder) {
    return QFileDialog::getOpenFileNames(owner_, title, startFolder, filter, nullptr,
                                         QFileDialog::DontUseNativeDialog);
}

QString QtDialogs::pickFolder(const QString& prompt, const QString& startFolder) {
    QFileDialog dialog(owner_, prompt);
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setLabelText(QFileDialog::LookIn, prompt);
    if (!startFolder.isEmpty() && QFileInfo(startFolder).isDir())
        dialog.setDirectory(startFolder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

void QtDialogs::openLocation(const QString& folderOrAddress) {
    const QUrl url = QFileInfo(folderOrAddress).isDir() ? QUrl::fromLocalFile(folderOrAddress)
                                                        : QUrl(folderOrAddress);
    if (!QDesktopServices::openUrl(url))
        throw Failure(FileNotFound, QStringLiteral("openLocation"));
}

} // namespace quillbrook
