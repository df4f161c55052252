#include "addfiles.h"
#include "busystate.h"
#include "form1.h"
#include "inputlist.h"
#include "listgestures.h"
#include "paths.h"
#include "samples.h"

#include <QPushButton>
#include <QTreeWidget>

namespace quillbrook {

namespace {

void PushButton6_Click(Form1& form) {
    HandledOperation op(form.dialogs(), form.lifetime(), locations::clearList);
    op.step(100, [&] {
        if (!isBusy(form))
            inputlist::clear(*form.ListView1);
    });
}

void PushButton7_Click(Form1& form) {
    HandledOperation op(form.dialogs(), form.lifetime(), locations::loadSamples);
    op.step(100, [&] { LoadSampleFiles(*form.ListView1, form.dialogs(), form.programFolder()); });
}

} // namespace

void Form1::connectListCommands() {
    // The gestures belong to the list and go with it.
    new ListGestures(*ListView1, *this,
                     programFolder() + pathSeparator + QStringLiteral("drag.ico"));
    connect(PushButton1, &QPushButton::clicked, this,
            [this] { PushButton1_Click(*ListView1, dialogs(), lifetime()); });
    connect(PushButton6, &QPushButton::clicked, this, [this] { PushButton6_Click(*this); });
    connect(PushButton7, &QPushButton::clicked, this, [this] { PushButton7_Click(*this); });
}

} // namespace quillbrook
