#include <gtest/gtest.h>
#include <stdlib.h>

#include <QColor>
#include <QDate>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>

#include "app/DBGrid.h"
#include "app/MDIChild.h"
#include "app/MainForm.h"
#include "app/gridtools/GridContextMenu.h"
#include "app/gridtools/GridDisplay.h"
#include "app/gridtools/GridMenuTools.h"
#include "app/gridtools/GridViewTools.h"
#include "app/gridtools/MemoViewer.h"
#include "isam/CtreeFields.h"
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
  // A query's result shows the table's fields alike.
  window.GridTools()->Query({{"name", "A*"}});
  ASSERT_TRUE(Wait([&] { return window.GridTools()->Shown() != nullptr; }));
  TDataSetTableModel& shown = *window.rxdbg()->Model();
  EXPECT_EQ(shown.index(0, 0).data().toString().trimmed().toStdString(), "14.03.24");
  EXPECT_EQ(shown.index(0, 2).data(Qt::CheckStateRole), QVariant(Qt::Checked));
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(IsamDisplayTest, PicturesDrawnInTheirCellsWhenShowImagesIsOn) {
  // A picture in a format Qt reads without plugins (XPM): 3 x 2 pixels.
  const char* const kPicture =
      "/* XPM */\nstatic const char* p[] = {\"3 2 2 1\", \"a c #FF0000\", \"b c #0000FF\", \"aba\", "
      "\"bab\"};\n";
  {
    TCTreeTable table;
    table.SetTableName(dir_.Path("pictures"));
    table.ClearFields();
    table.AddField("name", kStringField, 10);
    table.AddField("logo", kGraphicField, 0);
    table.AddIndex("byName", "name");
    ASSERT_TRUE(table.CreateTable());
    table.Open();
    for (const char* name : {"Ann", "Bob"}) {
      table.Insert();
      table.FieldByName("name").SetAsString(name);
      // Bob's picture is no picture: his cell keeps the marker.
      const std::string picture = name == std::string("Ann") ? kPicture : "no picture";
      dynamic_cast<TCTreeGraphicField&>(table.FieldByName("logo"))
          .StoreGraphic(picture.data(), picture.size());
      ASSERT_TRUE(table.Post());
    }
  }
  form_->OpenFile(dir_.Path("pictures.dat"));
  ASSERT_TRUE(boxes_.empty()) << boxes_[0];
  TMDIChild& window = *form_->ChildWindows().back();
  TDataSetTableModel& model = *window.rxdbg()->Model();
  const QModelIndex ann = model.index(0, 1);
  const QModelIndex bob = model.index(1, 1);
  EXPECT_FALSE(ann.data(Qt::DecorationRole).isValid());
  const QString marker = ann.data().toString();
  EXPECT_FALSE(marker.isEmpty());

  TGridDisplayOptions options;
  options.ShowImages = true;
  window.MenuTools()->Display().SetOptions(options);
  const QImage picture = model.index(0, 1).data(Qt::DecorationRole).value<QImage>();
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(picture.size(), QSize(3, 2));
  EXPECT_EQ(picture.pixelColor(0, 0), QColor(255, 0, 0));
  EXPECT_EQ(picture.pixelColor(1, 0), QColor(0, 0, 255));
  EXPECT_EQ(model.index(0, 1).data().toString(), QString());
  EXPECT_FALSE(bob.data(Qt::DecorationRole).isValid());
  EXPECT_EQ(bob.data().toString(), marker);

  // A query's result draws them too.
  window.GridTools()->Query({{"name", "A*"}});
  ASSERT_TRUE(Wait([&] { return window.GridTools()->Shown() != nullptr; }));
  EXPECT_EQ(window.rxdbg()->Model()->index(0, 1).data(Qt::DecorationRole).value<QImage>().size(),
            QSize(3, 2));
  window.GridTools()->ShowAll();

  window.MenuTools()->Display().SetOptions(TGridDisplayOptions());
  EXPECT_FALSE(model.index(0, 1).data(Qt::DecorationRole).isValid());
  EXPECT_EQ(model.index(0, 1).data().toString(), marker);

  // Copied, printed or exported, a picture is its text; full-size, Ann's is the picture and Bob's the text.
  EXPECT_EQ(model.CellValue(0, 1), "<GRAPHIC>");
  TDBGrid& grid = *window.rxdbg();
  for (const int row : {0, 1}) {
    grid.View()->setCurrentIndex(model.index(row, 1));
    window.ContextMenu()->Refresh();
    window.ContextMenu()->Entry(TGridMenuEntry::gmFullSizeMemo)->trigger();
    auto* viewer = grid.findChild<TMemoViewer*>();
    ASSERT_NE(viewer, nullptr);
    if (row == 0) {
      ASSERT_NE(viewer->Picture(), nullptr);
      EXPECT_EQ(viewer->Picture()->pixmap().size(), QSize(3, 2));
    } else {
      ASSERT_NE(viewer->Text(), nullptr);
      EXPECT_EQ(viewer->Text()->toPlainText(), "<GRAPHIC>");
    }
    delete viewer;
  }
  EXPECT_TRUE(boxes_.empty());
}

}  // namespace
