#include <gtest/gtest.h>
#include <stdlib.h>

#include <QDate>
#include <QLocale>

#include "app/DBGrid.h"
#include "app/MDIChild.h"
#include "app/MainForm.h"
#include "app/gridtools/GridDisplay.h"
#include "app/gridtools/GridMenuTools.h"
#include "isam/CtreeSession.h"
#include "isam/CtreeTable.h"
#include "isam/EngineBinding.h"
#include "isam/EngineEnvironment.h"
#include "support/DateTimeText.h"
#include "tests/TestSupport.h"
#include "tests/app/FormTestSupport.h"
#include "tests/app/IsamFormFixture.h"

namespace {

// The typed fields of an ISAM table as the grid shows them.
class IsamDisplayTest : public TIsamFormFixture {
 protected:
  void SetUp() override {
    previousLocale_ = QLocale();
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    // The viewer's start-up gives dates a four-digit year.
    previousFormat_ = ShortDateFormat();
    SetShortDateFormat("M/D/YYYY");
    TIsamFormFixture::SetUp();
  }
  void TearDown() override {
    TIsamFormFixture::TearDown();
    QLocale::setDefault(previousLocale_);
    SetShortDateFormat(previousFormat_);
  }

  // One record: day 14 March 2024, at 13:45:30 that day, ok TRUE, name "Ann".
  std::string CreateTable() {
    TCTreeTable table;
    table.SetTableName(dir_.Path("typed"));
    table.ClearFields();
    table.AddField("day", kDateField, 0);
    table.AddField("at", kDateTimeField, 0);
    table.AddField("ok", kBooleanField, 0);
    table.AddField("name", kStringField, 10);
    table.AddIndex("byName", "name");
    EXPECT_TRUE(table.CreateTable());
    table.Open();
    const double day = QDate(1899, 12, 30).daysTo(QDate(2024, 3, 14));
    table.Insert();
    table.FieldByName("day").SetAsDate(day);
    table.FieldByName("at").SetAsDateTime(day + (13 * 3600 + 45 * 60 + 30) / 86400.0);
    table.FieldByName("ok").SetAsBoolean(true);
    table.FieldByName("name").SetAsString("Ann");
    EXPECT_TRUE(table.Post());
    return dir_.Path("typed.dat");
  }

  std::string previousFormat_;
  QLocale previousLocale_;
};

TEST_F(IsamDisplayTest, DatesInTheLocalesFormAndBooleanFieldsAsCheckBoxes) {
  form_->OpenFile(CreateTable());
  ASSERT_TRUE(boxes_.empty()) << boxes_[0];
  TMDIChild& window = *form_->ChildWindows().back();
  TDataSetTableModel& model = *window.rxdbg()->Model();
  auto text = [&](int column) { return model.index(0, column).data().toString().trimmed().toStdString(); };
  EXPECT_EQ(text(0), "3/14/2024");
  EXPECT_EQ(text(1), "3/14/2024 13:45:30");
  EXPECT_EQ(text(2), "TRUE");

  TGridDisplayOptions options;
  options.ShowDateTimes = true;
  options.ShowBooleans = true;
  window.MenuTools()->Display().SetOptions(options);
  EXPECT_EQ(text(0), "14.03.24");
  EXPECT_EQ(text(1), "14.03.24 13:45");
  EXPECT_EQ(text(2), "");
  EXPECT_EQ(model.index(0, 2).data(Qt::CheckStateRole), QVariant(Qt::Checked));
  EXPECT_EQ(text(3), "Ann");
  EXPECT_TRUE(boxes_.empty());
}

}  // namespace
