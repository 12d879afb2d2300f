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

void Highlights::lightRegister(int index, std::int32_t before) {
    auto& slot = registers[static_cast<std::size_t>(index)];
    if (!slot) {
        slot = before;
        ++litRegisters;
    }
}

void Highlights::lightCell(int index, std::int32_t before) {
    auto& slot = cells[static_cast<std::size_t>(index)];
    if (!slot) {
        slot = before;
        ++litCells;
    }
}

} // namespace mox::ui
