#include "highlights.h"

namespace mox::ui {

void Highlights::clear() {
    if (litRegisters != 0) {
        registers.fill(std::nullopt);
        litRegisters = 0;
    }
    if (litCells != 0) {
        cells.fill(std::nullopt);
        litCells = 0;
    }
}

template <std::size_t N>
void Highlights::light(std::array<std::optional<std::int32_t>, N>& slots, int& lit, int index,
                       std::int32_t before, std::int32_t after) {
    auto& slot = slots[static_cast<std::size_t>(index)];
    if (!slot) {
        slot = before;
        ++lit;
    } else if (*slot == after) {
        slot.reset();
        --lit;
    }
}

void Highlights::lightRegister(int index, std::int32_t before, std::int32_t after) {
    light(registers, litRegisters, index, before, after);
}

void Highlights::lightCell(int index, std::int32_t before, std::int32_t after) {
    light(cells, litCells, index, before, after);
}

} // namespace mox::ui
