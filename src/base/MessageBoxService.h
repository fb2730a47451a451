#pragma once
// Every modal box of the program goes through this interface, so that tests answer with a script and
// never block. The desktop program implements it with Qt message boxes; texts are UTF-8 and may hold
// "\r\n" line breaks, which the implementation shows as line breaks.

#include <string>

namespace hozonix {

enum class MessageKind {
    Plain,        // application title, OK button
    Confirmation, // title "確認", question icon
    Warning,      // title "警告", warning icon
    Information,  // application title, information icon
};

enum class MessageButton { Ok, Yes, No, Cancel, NoToAll };

// The buttons a box offers, as a set.
enum MessageButtons : unsigned {
    OkButton = 1u << 0,
    YesButton = 1u << 1,
    NoButton = 1u << 2,
    CancelButton = 1u << 3,
    NoToAllButton = 1u << 4,
};

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;

    // Shows one modal box and returns the button pressed. Esc and the close box answer Cancel when the
    // box offers Cancel, otherwise No when it offers No, otherwise Ok.
    virtual MessageButton Show(MessageKind kind, const std::string& text, unsigned buttons) = 0;

    void ShowMessage(const std::string& text) { Show(MessageKind::Plain, text, OkButton); }
};

} // namespace hozonix
