#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "qt_dialog_host.h"
#include "qt_test_app.h"
#include "qt_translations.h"
#include "standard_dialogs.h"
#include "temp_dir.h"

namespace {

// What the pretest window's "...." asks for.
const FileDialogRequest kProgramRequest{"", "*.nc"};

QString ToQt(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

QStringList Sorted(QStringList names) {
    names.sort();
    return names;
}

QString LabelText(const QFileDialog& chooser, const char* name) {
    const auto* label = chooser.findChild<QLabel*>(QString::fromLatin1(name));
    return label != nullptr ? label->text() : QStringLiteral("<no %1>").arg(name);
}

QPushButton* Button(const QFileDialog& chooser, QDialogButtonBox::StandardButton which) {
    const auto* buttons = chooser.findChild<QDialogButtonBox*>();
    return buttons != nullptr ? buttons->button(which) : nullptr;
}

// The host's file dialog over a folder as a shop floor has it: programs named in either
// case, a note, a program without an extension, a subfolder.
class FileDialogOnQt : public testing::Test {
  protected:
    FileDialogOnQt() {
        TestApp();
        for (const char* name : {"O1000.nc", "O2000.NC", "notes.txt", "O3000"}) {
            dir_.Write(name, "G0\n");
        }
        std::filesystem::create_directory(dir_.path() / "archive");
    }

    // Runs the host's dialog for the pretest's request; once it is up in the folder, act
    // works it and has to end it.
    std::optional<std::string> Run(std::function<void(QFileDialog&)> act) {
        When([] { return OpenFileChooser() != nullptr; },
             [this, act] {
                 QFileDialog* chooser = OpenFileChooser();
                 // The dialog starts in the folder last visited in this process.
                 chooser->setDirectory(ToQt(dir_.path()));
                 act(*chooser);
             });
        return host_.OpenFileDialog(kProgramRequest);
    }

    TempDir dir_;
    QtDialogHost host_;
};

// Qt's own dialog reads in Korean like the tool's windows, in the C locale the suite runs
// in; the type list offers NC programs first and all files second; 취소 picks nothing.
TEST_F(FileDialogOnQt, SpeaksKoreanAndOffersProgramsThenAllFiles) {
    QStringList filters;
    QString selectedFilter;
    QStringList labels;
    QStringList buttons;
    const auto chosen = Run([&](QFileDialog& chooser) {
        filters = chooser.nameFilters();
        selectedFilter = chooser.selectedNameFilter();
        for (const char* name : {"lookInLabel", "fileNameLabel", "fileTypeLabel"}) {
            labels << LabelText(chooser, name);
        }
        QPushButton* open = Button(chooser, QDialogButtonBox::Open);
        QPushButton* cancel = Button(chooser, QDialogButtonBox::Cancel);
        if (open == nullptr || cancel == nullptr) {
            ADD_FAILURE() << "the dialog has no open and cancel buttons";
            static_cast<QDialog&>(chooser).reject();
            return;
        }
        buttons << open->text() << cancel->text();
        cancel->click();
    });
    EXPECT_FALSE(chosen.has_value());
    EXPECT_EQ(filters, QStringList({QStringLiteral("*.nc"), QStringLiteral("모든 파일 (*)")}));
    EXPECT_EQ(selectedFilter, QStringLiteral("*.nc"));
    EXPECT_EQ(labels,
              QStringList({QStringLiteral("다음에서 찾기:"), QStringLiteral("파일 이름(&N):"),
                           QStringLiteral("파일 형식:")}));
    EXPECT_EQ(buttons, QStringList({QStringLiteral("열기(&O)"), QStringLiteral("취소")}));
}

// The first type lists NC programs in either case, as Windows does; all files lists the
// rest too; a listed name chosen and opened with 열기 is the path returned.
TEST_F(FileDialogOnQt, ListsByTypeAndReturnsTheChosenFile) {
    const QStringList programs = {"O1000.nc", "O2000.NC", "archive"};
    const QStringList everything = {"O1000.nc", "O2000.NC", "O3000", "archive", "notes.txt"};
    const struct {
        int filter;
        QStringList listed;
        const char* pick;
    } cases[] = {
        {0, programs, "O2000.NC"},
        {1, everything, "O3000"},
        {1, everything, "notes.txt"},
    };
    for (const auto& [filter, listed, pick] : cases) {
        SCOPED_TRACE(pick);
        const auto chosen = Run([&](QFileDialog& chooser) {
            chooser.selectNameFilter(chooser.nameFilters().value(filter));
            When([&] { return Sorted(ListedFileNames(chooser)) == Sorted(listed); },
                 [&] {
                     // Typed into the name box, as the operator does: the dialog's own
                     // selectFile leaves a box that has the focus alone.
                     auto* name = chooser.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                     QPushButton* open = Button(chooser, QDialogButtonBox::Open);
                     if (name == nullptr || open == nullptr) {
                         ADD_FAILURE() << "the dialog has no name box or open button";
                         static_cast<QDialog&>(chooser).reject();
                         return;
                     }
                     name->setText(QString::fromUtf8(pick));
                     open->click();
                 });
        });
        ASSERT_TRUE(chosen.has_value());
        EXPECT_TRUE(std::filesystem::equivalent(*chosen, dir_.path() / pick)) << *chosen;
    }
}

// Qt's catalogue is found where Qt keeps it; a folder without it, or with a damaged one,
// is turned down and leaves the texts already installed as they were.
TEST(KoreanQtTranslations, InstallsOnlyAWholeCatalogue) {
    QApplication& app = TestApp();
    const TempDir empty;
    const TempDir damaged;
    damaged.Write("qtbase_ko.qm", "not a catalogue");
    const std::pair<QString, bool> cases[] = {
        {QtTranslationsFolder(), true},
        {ToQt(empty.path()), false},
        {ToQt(damaged.path()), false},
    };
    for (const auto& [folder, installed] : cases) {
        EXPECT_EQ(InstallKoreanQtTranslations(app, folder), installed) << folder.toStdString();
    }
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("예(&Y)"));
}

}  // namespace
