// Streams whose codecs the browser cannot decode play with picture and sound
// through the program's converter, from files and over loopback HTTP, and
// the converter goes away with the next click and with the window.
#include "loopback_http_server.h"
#include "real_window.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

#include <unistd.h>

namespace qinghe::test {
namespace {

struct Form {
    const char* path;
    const char* conversion;  // what the converter must do: "full", "audio" or "" (nothing)
};

const Form forms[] = {
    {"media/demo-mpeg2.ts", "full"},      {"media/demo-ac3.mp4", "audio"}, {"media/demo-hevc.mp4", "full"},
    {"media/hls-ac3/demo.m3u8", "audio"}, {"media/mpeg2-ac3.ts", "full"},  {"media/demo.mp4", ""},
};

// The converter processes this program runs now.
QSet<qint64> converters() {
    QSet<qint64> found;
    const QString parent = QString::number(::getpid());
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/") + pid + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly)) continue;
        // pid (comm) state ppid ...
        const QString line = QString::fromLatin1(stat.readAll());
        const QStringList after_name = line.mid(line.lastIndexOf(QLatin1Char(')')) + 2).split(QLatin1Char(' '));
        if (line.contains(QLatin1String("(ffmpeg)")) && after_name.size() > 1 && after_name[1] == parent)
            found.insert(pid.toLongLong());
    }
    return found;
}

// Every file under the folder, recursively.
QStringList files_under(const QString& folder) {
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) found << it.next();
    found.sort();
    return found;
}

class ConversionTest : public RealWindowTest {
protected:
    ConversionTest() : server(QString::fromStdString((dir.path() / "bg").string())) {}

    void SetUp() override {
        for (const Form& media : forms) leaves.push_back(media.path);
        for (const Form& media : forms) leaves.push_back(server.base().toStdString() + media.path);
        RealWindowTest::SetUp();
        // The broadcast pair the stream player reports only half of: MPEG-2 video with AC-3 audio.
        const QString media = QString::fromStdString((dir.path() / "bg" / "media").string()) + QLatin1Char('/');
        ASSERT_EQ(
            QProcess::execute(QStringLiteral("ffmpeg"), {"-nostdin", "-loglevel", "error", "-i",
                                                         media + "demo-mpeg2.ts", "-i", media + "demo-ac3.mp4", "-map",
                                                         "0:v", "-map", "1:a", "-c", "copy", media + "mpeg2-ac3.ts"}),
            0);
    }

    void add_programmes(catalogue_files::CatalogueBuilder& catalogue) override {
        std::string adds = "$$土豆";
        for (const std::string& id : leaves) adds += "|" + id + "|" + id;
        catalogue.programme(8, "转换", 1, adds);
        extra_programmes.push_back("8");
    }

    void click_leaf(std::size_t index) {
        const std::string key = "web_1_" + std::to_string(index + 1) + "_8";
        ASSERT_TRUE(user->click(key)) << key;
        ASSERT_TRUE(wait_until([&] { return shown_identifier().toStdString() == leaves[index]; }, 20000));
    }

    // Media time, decoded video and audio bytes, and picture width of the page's video.
    QVariantList decoding() {
        return page_value(QStringLiteral("(function(){var v=document.querySelector('video');"
                                         "return v && !v.hidden ? [v.currentTime, v.webkitVideoDecodedByteCount,"
                                         " v.webkitAudioDecodedByteCount, v.videoWidth] : [-1,0,0,0];})()"))
            .toList();
    }
    QString conversion() {
        return page_value(QStringLiteral("document.body.getAttribute('data-conversion') || ''")).toString();
    }
    QString state() { return page_value(QStringLiteral("document.body.getAttribute('data-state')")).toString(); }
    QString status() { return page_value(QStringLiteral("document.getElementById('status').textContent")).toString(); }

    // The picture moves (time and decoded video bytes go on growing, with a
    // picture size) and the audio decodes.
    void expect_picture_and_sound(std::size_t index) {
        SCOPED_TRACE(leaves[index]);
        click_leaf(index);
        QVariantList first;
        const auto picture_and_sound = [&] {
            first = decoding();
            return state() == QStringLiteral("playing") && conversion() == forms[index % std::size(forms)].conversion &&
                   first.value(0).toDouble() > 1.0 && first.value(1).toDouble() > 0 && first.value(2).toDouble() > 0 &&
                   first.value(3).toInt() > 0;
        };
        ASSERT_TRUE(wait_until(picture_and_sound, 20000))
            << "state " << state().toStdString() << ": " << status().toStdString();
        EXPECT_TRUE(wait_until(
            [&] {
                const QVariantList now = decoding();
                return now.value(0).toDouble() > first.value(0).toDouble() + 0.5 &&
                       now.value(1).toDouble() > first.value(1).toDouble() &&
                       now.value(2).toDouble() > first.value(2).toDouble();
            },
            5000));
    }

    LoopbackHttpServer server;
    std::vector<std::string> leaves;
};

TEST_F(ConversionTest, EveryFormPlaysWithPictureAndSoundFromFilesAndOverHttp) {
    for (std::size_t i = 0; i < leaves.size(); ++i) expect_picture_and_sound(i);
}

TEST_F(ConversionTest, TheConverterEndsWithTheNextClickAndWithTheWindow) {
    // The converter starts with a temporary folder of its own to leave files in.
    QTemporaryDir temporary;
    const QByteArray old_tmpdir = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(temporary.path()));
    const std::shared_ptr<void> restore(nullptr, [&](void*) {
        if (old_tmpdir.isEmpty())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", old_tmpdir);
    });
    const QString program_folder = QString::fromStdString(dir.path().string());
    const QStringList files_before = files_under(program_folder);
    const std::size_t supported = std::size(forms) - 1;
    struct End {
        const char* what;
        std::function<void()> end;
    };
    const End ends[] = {
        {"another click", [&] { click_leaf(supported); }},
        {"window closed",
         [&] {
             // As in the program, whose application loop announces the last window's closing.
             window.close();
             emit qApp->lastWindowClosed();
         }},
    };
    for (const End& end : ends) {
        SCOPED_TRACE(end.what);
        click_leaf(0);
        ASSERT_TRUE(wait_until([&] { return !converters().isEmpty(); }, 10000)) << status().toStdString();
        end.end();
        EXPECT_TRUE(wait_until([&] { return converters().isEmpty(); }, 5000));
        EXPECT_EQ(files_under(temporary.path()), QStringList());
        EXPECT_EQ(files_under(program_folder), files_before);
    }
}

}  // namespace
}  // namespace qinghe::test
