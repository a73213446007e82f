#pragma once
// The object behind a player handle: a share of one playback engine, so that
// a reference handle drives the same playback as the handle it refers to.

#include "internal/handle.h"
#include "player/playerengine.h"

#include <memory>
#include <string>

namespace rz {

class PlayerHandle : public Handle
{
public:
    static constexpr Role kRole = Role::Player;
    PlayerHandle(int32_t createKind, std::shared_ptr<PlayerEngine> sharedEngine)
        : Handle(kRole), kind(createKind), engine(std::move(sharedEngine)) {}

    std::string mediaPath() const override { return engine->path(); }

    const int32_t kind;
    const std::shared_ptr<PlayerEngine> engine;
    std::string textReadBack; // keeps the last text handed out by rz_player_get_text
    std::string errorReadBack; // keeps the last text handed out by rz_player_get_error_text
};

} // namespace rz
