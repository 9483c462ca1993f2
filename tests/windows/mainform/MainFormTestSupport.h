// What the main window's tests share: the starting points a user makes
// through the configuration file or through New Format, instead of reaching
// into the window.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "engine/shell/Config.h"
#include "services/shell/UserConfig.h"
#include "tests/windows/shell/WindowTestSupport.h"
#include "windows/documents/NewForm.h"
#include "windows/mainform/MainForm.h"

namespace glyphon::testing {

// Writes the configuration file that a user leaves behind who, in an
// earlier run, had New take picture at its own size and printed with print.
// A window started afterwards reads it.
inline void configureCanvasPicture(const QString& picture, const PrintLayout& print = {}) {
  Configuration config;
  config.Canvas.DefaultBKPic = false;
  config.Canvas.BKPicPath = picture.toStdString();
  config.Print = print;
  saveUserConfiguration(config);
}

// Runs New Format as a user would: picture (the default picture when
// empty) at its own size, then OK. The dialog must accept the picture; New
// reports its own failures in message boxes as usual. A shown window is
// active again afterwards.
inline void runNewFormat(TMainForm& window, const QString& picture) {
  whenDialogOpens<TNewForm>([picture](TNewForm& form) {
    form.CheckBoxDefaultBKPic->setChecked(picture.isEmpty());
    if (!picture.isEmpty()) form.EditBKPicPath->setText(picture);
    form.CheckBoxSameSize->setChecked(true);
    QTest::mouseClick(form.BitBtnOK, Qt::LeftButton);
    if (form.isVisible()) {
      ADD_FAILURE() << "New Format refused " << picture.toStdString();
      form.reject();
    }
  });
  namedAction(window, QStringLiteral("MenuNewFormat"))->trigger();
  // The offscreen platform has no window manager to hand the focus back to
  // the window when its dialog goes.
  if (window.isVisible()) {
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
  }
}

}  // namespace glyphon::testing
