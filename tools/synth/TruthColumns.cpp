#include "TruthColumns.h"

namespace drovane::synth::truth {

CsvColumn Column(int index) {
    const ColumnDefinition& column = kColumnDefinitions[index];
    return {column.name, column.usName != nullptr ? column.usName : column.name, column.min, column.max};
}

std::string_view ColumnName(int index, UnitSystem units) {
    const CsvColumn column = Column(index);
    return units == UnitSystem::US ? column.usName : column.metricName;
}

}  // namespace drovane::synth::truth
