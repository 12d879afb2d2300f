// Which registers and memory cells the last executed words changed, and what
// each held before, so that the displays can light them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace mox::ui {

class Highlights {
public:
    // Nothing lit.
    void clear();
    // Lights a register or cell; one already lit keeps its first value, so
    // a whole run reads "was <before the run>".
    void lightRegister(int index, std::int32_t before);
    void lightCell(int index, std::int32_t before);

    // The value before the change, or nothing when it is not lit.
    std::optional<std::int32_t> registerBefore(int index) const {
        return registers[static_cast<std::size_t>(index)];
    }
    std::optional<std::int32_t> cellBefore(int index) const {
        return cells[static_cast<std::size_t>(index)];
    }

private:
    std::array<std::optional<std::int32_t>, 16> registers{};
    std::array<std::optional<std::int32_t>, 256> cells{};
    // How many are lit, so that clearing after every Step costs nothing
    // when there is nothing to clear.
    int litRegisters = 0;
    int litCells = 0;
};

} // namespace mox::ui
