// The message-box seam: a modal question answered by the player (or by a test).
#pragma once

#include <cstdint>
#include <string>

namespace plat {

enum class BoxButtons : uint8_t { Ok, YesNo };
enum class BoxAnswer : uint8_t { NotShown, Ok, Yes, No };

class MessageBox {
public:
    virtual ~MessageBox() = default;
    // Blocks the calling thread until the box is answered. NotShown when no box can be shown.
    virtual BoxAnswer show(const std::string& caption, const std::string& text,
                           BoxButtons buttons) = 0;
};

}  // namespace plat
