#include "services/shell/RecentProjects.h"

#include <gtest/gtest.h>

#include <QFile>

#include "services/shell/AppPaths.h"

namespace glyphon {
namespace {

TEST(RecentProjects, TheNewestComesFirstOnceAndTheListStopsAtEight) {
  struct Case {
    QStringList list;
    QString path;
    QStringList expected;
  };
  const QStringList eight{"1", "2", "3", "4", "5", "6", "7", "8"};
  const Case cases[] = {
      {{}, "a.gyf", {"a.gyf"}},
      {{"a.gyf", "b.gyf"}, "b.gyf", {"b.gyf", "a.gyf"}},  // moved up, not doubled
      {{"a.gyf"}, "  ", {"a.gyf"}},                       // blank: nothing
      {eight, "9", {"9", "1", "2", "3", "4", "5", "6", "7"}},
      {eight, "5", {"5", "1", "2", "3", "4", "6", "7", "8"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(recentWith(c.list, c.path), c.expected) << c.path.toStdString();
  EXPECT_EQ(recentWithout({"a", "b", "a"}, "a"), QStringList{"b"});
  EXPECT_EQ(recentWithout({"a"}, "c"), QStringList{"a"});
}

TEST(RecentProjects, TheListSurvivesInTheUsersFolder) {
  EXPECT_TRUE(loadRecentProjects().isEmpty());
  saveRecentProjects({"/x/one.gyf", "/y/two.gyf"});
  EXPECT_TRUE(QFile::exists(userConfigFolder() + QStringLiteral("/recent.ini")));
  EXPECT_EQ(loadRecentProjects(), (QStringList{"/x/one.gyf", "/y/two.gyf"}));
  // A list edited by hand is cleaned up on reading.
  QStringList messy{"a", "", "a", " "};
  for (int i = 0; i < 10; ++i) messy.append(QString::number(i));
  saveRecentProjects(messy);
  const QStringList read = loadRecentProjects();
  EXPECT_EQ(read.size(), kRecentProjectCount);
  EXPECT_EQ(read.front(), "a");
  EXPECT_EQ(read[1], "0");
}

}  // namespace
}  // namespace glyphon
