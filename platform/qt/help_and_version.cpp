#include "platform/qt/help_and_version.h"

#include "platform/base/diagnostics.h"
#include "platform/qt/qt_text.h"
#include "platform/window.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>
#include <QTextStream>

namespace qinghe::platform::qt {

namespace {

QStringList arguments_of(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

QCommandLineOption catalogue_option() {
    return QCommandLineOption(
        QStringLiteral("catalogue"),
        QStringLiteral("Open this catalogue file instead of tavik.dll beside the program (for one written with "
                       "qinghe-catalogue import, say). The player pages still come from the program's folder."),
        QStringLiteral("file"));
}

QCommandLineOption verbose_option() {
    return QCommandLineOption(QStringLiteral("verbose"),
                              QStringLiteral("Also write Qt's and the embedded browser engine's own messages to "
                                             "standard error; by default only the program's own lines go there."));
}

}  // namespace

StartOptions start_options(int argc, char** argv) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption catalogue = catalogue_option();
    const QCommandLineOption verbose = verbose_option();
    parser.addOptions({catalogue, verbose});
    parser.parse(arguments_of(argc, argv));
    StartOptions options;
    options.verbose = parser.isSet(verbose);
    const QStringList files = parser.values(catalogue);
    if (!files.isEmpty() && !files.last().isEmpty())
        options.catalogue_file = QFileInfo(files.last()).absoluteFilePath().toStdString();
    return options;
}

std::optional<int> answer_help_or_version(int& argc, char** argv, const std::string& version) {
    const QStringList arguments = arguments_of(argc, argv);

    QCommandLineParser parser;
    // Qt's own "-reverse" or "-style" are words, not bundles of letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        to_qstring(std::string(application_title)) +
        QStringLiteral(" (Qinghe TV): a network-television browser. It lists the catalogue tavik.dll\n"
                       "beside the program as a tree of categories and programmes and plays them in its\n"
                       "embedded browser.\n"
                       "\n"
                       "Diagnostics go to standard error. A catalogue that cannot be opened is named there\n"
                       "with the reason; QT_LOGGING_RULES=\"qinghe.handler.debug=true\" adds a line for every\n"
                       "step that failed and was skipped. Qt's and the browser engine's own messages stay\n"
                       "off unless --verbose or QT_LOGGING_RULES asks for them."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption show_version = parser.addVersionOption();
    parser.addOptions({catalogue_option(), verbose_option()});
    // Unknown options and arguments are no error: the program ignores them.
    if (!parser.parse(arguments) && parser.errorText().contains(QStringLiteral("Missing value after")) &&
        parser.errorText().contains(QStringLiteral("catalogue"))) {
        QTextStream(stderr) << program_name << ": --catalogue needs a catalogue file (see " << program_name
                            << " --help)\n";
        return 2;
    }
    const bool help_all = parser.isSet(QStringLiteral("help-all"));
    if (!parser.isSet(help) && !help_all && !parser.isSet(show_version)) return std::nullopt;

    // The help text names the program from the application's arguments.
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QString::fromUtf8(program_name));
    QCoreApplication::setApplicationVersion(to_qstring(version));
    // Help with Qt's own options: Qt prints it and ends the process.
    if (help_all) parser.process(QStringList{arguments.first(), QStringLiteral("--help-all")});
    QTextStream out(stdout);
    if (parser.isSet(help))
        out << parser.helpText();
    else
        out << QCoreApplication::applicationName() << ' ' << QCoreApplication::applicationVersion() << '\n';
    out.flush();
    return 0;
}

}  // namespace qinghe::platform::qt
