// One running launcher per data folder: a lock file in the folder, and a
// local socket on which the running one is asked to come to the front.
#pragma once

#include <QLockFile>
#include <QString>
#include <functional>
#include <memory>
#include <string>

namespace sorvel {

class SingleInstance {
public:
    explicit SingleInstance(const std::string& dataFolder);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    enum class Outcome {
        First,       // the folder is ours
        Raised,      // another instance has it and came to the front
        Busy,        // another instance has it and did not answer in time
        Unguarded,   // no lock file can be made there (read-only folder)
    };

    // Takes the folder. A lock left by an instance that no longer runs is
    // taken over. When a running instance holds it, that one is asked to
    // come to the front; one that does not answer (it is ending, as in a
    // restart) is waited for up to waitMs.
    Outcome start(int waitMs);

    // Answers later starts: onRaise runs (in the event loop) when one asks
    // and tells whether the window came to the front. An instance that is
    // ending answers false, so the new start waits for the lock instead.
    // Only connections from this user are served.
    bool listen(std::function<bool()> onRaise);

    // Stops answering and lets go of the folder.
    void release();

    // The socket the instances of this folder meet on (derived from the
    // folder's canonical path) and the lock file.
    const QString& socketName() const { return socketName_; }
    QString lockFileName() const { return lockPath_; }

    // How long start() waits for an answer from a running instance.
    static constexpr int kAnswerMs = 1000;

private:
    bool askToRaise(int timeoutMs);

    QString lockPath_;
    QString socketName_;
    QLockFile lock_;
    struct Server;
    std::unique_ptr<Server> server_;
};

}  // namespace sorvel
