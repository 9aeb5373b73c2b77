// Parses the command line with QCommandLineParser and enters the cookbook's folder.
#include "platform/CommandLine.h"

#include "data/Error.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <unistd.h>

namespace savrona {

namespace {

const QString applicationName = QStringLiteral("Savrona");
const QString version = QStringLiteral(SAVRONA_VERSION);

// The arguments that are not options, as QCommandLineParser tells them: all
// after "--", and before it those that do not start with "-" ("-" alone
// included). None of Savrona's options takes a value.
std::vector<QByteArray> positionalBytes(int argc, const char* const* argv) {
    std::vector<QByteArray> positional;
    bool optionsEnded = false;
    for (int index = 1; index < argc; ++index) {
        const QByteArray argument(argv[index]);
        if (!optionsEnded && argument == "--")
            optionsEnded = true;
        else if (optionsEnded || !argument.startsWith('-') || argument == "-")
            positional.push_back(argument);
    }
    return positional;
}

[[noreturn]] void failToEnter(const QString& folder, int errorNumber) {
    throw Error(QStringLiteral("Cannot open the cookbook folder %1: %2")
                    .arg(folder, QString::fromLocal8Bit(std::strerror(errorNumber))));
}

} // namespace

CommandLine::CommandLine(int argc, const char* const* argv) {
    QStringList arguments;
    for (int index = 0; index < argc; ++index)
        arguments.append(QString::fromLocal8Bit(argv[index]));
    const QString programName =
        argc > 0 ? QFileInfo(arguments.constFirst()).fileName() : QStringLiteral("savrona");

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Savrona, a recipe book: a cookbook of recipes sorted into categories,\n"
                       "kept in categories.xml and recipes.xml in the folder it opens."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and quit."));
    const QCommandLineOption showVersion({QStringLiteral("v"), QStringLiteral("version")},
                                         QStringLiteral("Show the version and quit."));
    const QCommandLineOption userFolder(
        QStringLiteral("user-folder"),
        QStringLiteral("Open the cookbook in %1, created when missing (the desktop menu starts "
                       "Savrona so).")
            .arg(QDir::toNativeSeparators(userDataFolder())));
    parser.addOptions({help, showVersion, userFolder});
    parser.addPositionalArgument(
        QStringLiteral("FOLDER"),
        QStringLiteral("The folder of the cookbook to open; the current folder when none is "
                       "given."),
        QStringLiteral("[FOLDER]"));

    if (!parser.parse(arguments)) {
        reportMistake(programName, parser.errorText());
        return;
    }
    if (parser.isSet(help)) {
        // The parser's usage line names the program only once an application
        // object exists.
        const QString text = parser.helpText();
        m_reply = Reply{QStringLiteral("Usage: %1 [options] [FOLDER]").arg(programName) +
                            text.mid(text.indexOf(u'\n')),
                        false};
        return;
    }
    if (parser.isSet(showVersion)) {
        m_reply = Reply{applicationName + u' ' + version + u'\n', false};
        return;
    }
    const std::vector<QByteArray> positional = positionalBytes(argc, argv);
    if (positional.size() > 1) {
        reportMistake(programName, QStringLiteral("Give one folder at most."));
        return;
    }
    m_userFolder = parser.isSet(userFolder);
    if (!positional.empty()) {
        if (m_userFolder) {
            reportMistake(programName, QStringLiteral("Give either FOLDER or --user-folder."));
            return;
        }
        m_folder = positional.front();
    }
}

void CommandLine::reportMistake(const QString& programName, const QString& mistake) {
    m_reply = Reply{
        QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n").arg(programName, mistake),
        true};
}

int CommandLine::printReply() const {
    std::FILE* stream = m_reply->isMistake ? stderr : stdout;
    std::fputs(m_reply->text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
    return m_reply->isMistake ? 1 : 0;
}

void CommandLine::enterDataFolder() const {
    if (m_folder) {
        if (::chdir(m_folder->constData()) != 0)
            failToEnter(QFile::decodeName(*m_folder), errno);
        return;
    }
    if (!m_userFolder)
        return;
    const QString folder = userDataFolder();
    if (!QDir().mkpath(folder))
        throw Error(QStringLiteral("Cannot create the cookbook folder %1")
                        .arg(QDir::toNativeSeparators(folder)));
    if (::chdir(QFile::encodeName(folder).constData()) != 0)
        failToEnter(QDir::toNativeSeparators(folder), errno);
}

QString CommandLine::userDataFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u'/' +
           applicationName;
}

} // namespace savrona
