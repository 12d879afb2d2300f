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
    // Lights a register or cell that a word changed from `before` to
    // `after`. One already lit keeps its first value, so a whole run reads
    // "was <before the run>", and goes out when it is back at that value.
    void lightRegister(int index, std::int32_t before, std::int32_t after);
    void lightCell(int index, std::int32_t before, std::int32_t after);

    // The value before the change, or nothing when it is not lit.
    std::optional<std::int32_t> registerBefore(int index) const {
        return registers[static_cast<std::size_t>(index)];
    }
    std::optional<std::int32_t> cellBefore(int index) const {
        return cells[static_cast<std::size_t>(index)];
    }

private:
    template <std::size_t N>
    static void light(std::array<std::optional<std::int32_t>, N>& slots, int& lit, int index,
                      std::int32_t before, std::int32_t after);

    std::array<std::optional<std::int32_t>, 16> registers{};
    std::array<std::optional<std::int32_t>, 256> cells{};
    // How many are lit, so that clearing after every Step costs nothing
    // when there is nothing to clear.
    int litRegisters = 0;
    int litCells = 0;
};

} // namespace mox::ui
