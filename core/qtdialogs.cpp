#include "apptitle.h"
#include "dialogs.h"
#include "failure.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

namespace quillbrook {

namespace {

QString titleOrApplicationTitle(const QString& title) {
    return title.isEmpty() ? applicationTitle() : title;
}

// Messages break their lines with CR LF or, as the program's own texts do,
// with bare CRs; Qt breaks lines only at LF.
QString displayedText(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
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

} // namespace

Dialogs::Answer QtDialogs::messageBox(const QString& text, Buttons buttons, Icon icon,
                                      const QString& title) {
    const bool yesNo = buttons != Buttons::Ok;
    const auto standardButtons = yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
    QMessageBox box(messageIcon(icon), titleOrApplicationTitle(title), displayedText(text),
                    standardButtons, owner_);
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
