#include "windows/shell/About.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <vector>

#include "tests/windows/shell/RecordingUrlOpener.h"
#include "tests/windows/shell/WindowTestSupport.h"

namespace glyphon {
namespace {

using testing::whenDialogOpens;

class AboutFormTest : public ::testing::Test {
 protected:
  testing::RecordingUrlOpener opener;
};

TEST_F(AboutFormTest, ShowsVersionPictureAndLinks) {
  TAboutForm form(nullptr);
  EXPECT_EQ(form.windowTitle(), "About...");
  EXPECT_EQ(form.LabelVersion->text(), "Version: 1.23");
  EXPECT_FALSE(form.ImageAbout->pixmap().isNull());
  EXPECT_EQ(form.ImageAbout->pixmap().size(), form.size());
  // No close button on the title bar.
  EXPECT_FALSE(form.windowFlags().testFlag(Qt::WindowCloseButtonHint));
  EXPECT_TRUE(form.windowFlags().testFlag(Qt::CustomizeWindowHint));
  // Every text lies inside the box, and each link beside its caption.
  for (QLabel* label :
       {form.LabelVersion, form.LabelWebsite, form.LabelURL, form.LabelEmailinfo, form.LabelMail}) {
    EXPECT_TRUE(form.rect().contains(label->geometry())) << label->objectName().toStdString();
    EXPECT_GE(label->width(), label->sizeHint().width()) << label->objectName().toStdString();
  }
  EXPECT_EQ(form.LabelURL->y(), form.LabelWebsite->y());
  EXPECT_GT(form.LabelURL->x(), form.LabelWebsite->geometry().right());
  EXPECT_EQ(form.LabelMail->y(), form.LabelEmailinfo->y());
  EXPECT_GT(form.LabelMail->x(), form.LabelEmailinfo->geometry().right());
}

TEST_F(AboutFormTest, LinksOpenExactlyWhatTheyShow) {
  TAboutForm form(nullptr);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  QTest::mouseClick(form.LabelURL, Qt::LeftButton);
  QTest::mouseClick(form.LabelMail, Qt::LeftButton);
  EXPECT_EQ(opener.opened,
            (std::vector<QString>{form.LabelURL->text(), "mailto:" + form.LabelMail->text()}));
  EXPECT_EQ(opener.opened.front(), "https://glyphon.example/");
  EXPECT_EQ(opener.opened.back(), "mailto:support@glyphon.example");

  // A text changed after creation changes what is opened.
  opener.opened.clear();
  form.LabelURL->setText(QStringLiteral("https://mirror.example/glyphon"));
  form.LabelMail->setText(QStringLiteral("help@mirror.example"));
  QTest::mouseClick(form.LabelURL, Qt::LeftButton);
  QTest::mouseClick(form.LabelMail, Qt::LeftButton);
  EXPECT_EQ(opener.opened,
            (std::vector<QString>{"https://mirror.example/glyphon", "mailto:help@mirror.example"}));

  // Captions are not links; a right click follows nothing.
  opener.opened.clear();
  QTest::mouseClick(form.LabelWebsite, Qt::LeftButton);
  QTest::mouseClick(form.LabelURL, Qt::RightButton);
  EXPECT_TRUE(opener.opened.empty());

  // Without a mouse: the focused link follows Space.
  form.LabelMail->setFocus();
  QTest::keyClick(form.LabelMail, Qt::Key_Space);
  EXPECT_EQ(opener.opened, std::vector<QString>{"mailto:help@mirror.example"});
}

TEST_F(AboutFormTest, ClosesByOkEnterOrEscape) {
  {
    TAboutForm form(nullptr);
    whenDialogOpens<TAboutForm>(
        [](TAboutForm& box) { QTest::mouseClick(box.suiButton1, Qt::LeftButton); });
    EXPECT_EQ(form.exec(), QDialog::Accepted);
  }
  {
    TAboutForm form(nullptr);
    whenDialogOpens<TAboutForm>([](TAboutForm& box) { QTest::keyClick(&box, Qt::Key_Return); });
    EXPECT_EQ(form.exec(), QDialog::Accepted);
  }
  {
    TAboutForm form(nullptr);
    whenDialogOpens<TAboutForm>([](TAboutForm& box) { QTest::keyClick(&box, Qt::Key_Escape); });
    EXPECT_EQ(form.exec(), QDialog::Rejected);
  }
  EXPECT_TRUE(opener.opened.empty());
}

}  // namespace
}  // namespace glyphon
