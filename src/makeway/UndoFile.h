#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <string>

namespace tv {

// The undo commands kept on disk while anything is held, so that a later start can undo what
// a TallyVane that died together with its watchdog left behind. One file per running
// TallyVane, named after its pid.
class UndoFile {
  public:
    UndoFile(QString folder, std::int32_t owner);

    // The folder under $XDG_RUNTIME_DIR (the user's own, cleared at logout).
    static QString defaultFolder();

    // Replaces the file's commands; an empty text removes the file.
    void write(const std::string& commands);
    void remove();

    // Runs and removes the files of TallyVanes that are no longer running. Returns how many
    // files were replayed.
    static int replayLeftovers(const QString& folder, std::int32_t self,
                               const std::function<bool(std::int32_t)>& isRunning);

    const QString& path() const { return path_; }

  private:
    QString folder_;
    QString path_;
};

}  // namespace tv
