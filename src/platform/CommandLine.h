#pragma once

// Savrona's command line: --help, --version, and the folder of the cookbook.

#include <QByteArray>
#include <QString>

#include <optional>

namespace savrona {

// Reads the arguments as main received them, before the application object
// exists, so that --help and --version need no display:
//
//   savrona                  the cookbook in the current folder
//   savrona FOLDER           the cookbook in FOLDER
//   savrona --user-folder    the cookbook in the user's data folder
//                            (~/.local/share/Savrona), created when missing;
//                            the desktop menu starts Savrona so
//
// The data files are named relative to the current directory, so the folder
// is entered with chdir, by FOLDER's own bytes: a name that is not valid in
// the system's encoding still works.
class CommandLine {
public:
    CommandLine(int argc, const char* const* argv);

    // Help, the version or a mistake on the command line: the program prints
    // the reply and ends, without a window.
    bool endsAtOnce() const { return m_reply.has_value(); }
    // Prints the reply, a mistake on standard error, and returns the exit code.
    int printReply() const;
    const QString& replyText() const { return m_reply->text; }
    bool replyIsMistake() const { return m_reply->isMistake; }

    // FOLDER as given, byte for byte.
    const std::optional<QByteArray>& folder() const { return m_folder; }
    bool opensUserFolder() const { return m_userFolder; }

    // Makes the cookbook's folder the current directory: FOLDER, or the
    // user's data folder (created first when missing); with neither, the
    // current directory stays. Throws Error when the folder cannot be entered.
    void enterDataFolder() const;

    // ~/.local/share/Savrona, or Savrona in $XDG_DATA_HOME.
    static QString userDataFolder();

private:
    struct Reply {
        QString text;
        bool isMistake;
    };
    void reportMistake(const QString& programName, const QString& mistake);

    std::optional<Reply> m_reply;
    std::optional<QByteArray> m_folder;
    bool m_userFolder = false;
};

} // namespace savrona
