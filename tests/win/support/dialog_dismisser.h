// Clicks away every dialog box this process shows, the way a user
// dismisses a message box or the shell's own error box, and keeps the text
// of each, until it is destroyed.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class DialogDismisser
{
  public:
    DialogDismisser();
    ~DialogDismisser();
    DialogDismisser(const DialogDismisser&) = delete;
    DialogDismisser& operator=(const DialogDismisser&) = delete;

    bool Dismissed() const { return !Texts().empty(); }
    // The message text of each box dismissed, in order.
    std::vector<std::string> Texts() const;

  private:
    void Run();

    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
    std::thread thread_;
};
