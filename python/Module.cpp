// The compiled part of the Python package drovane: the converter's conversion into columns, and
// the trip summary. The package's Python code (drovane/__init__.py) makes the frame of them.
#include <algorithm>
#include <array>
#include <memory>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <thread>

#include "app/CommandLine.h"
#include "convert/parallel/ChunkPlan.h"
#include "decode/Columns.h"
#include "decode/Words.h"
#include "python/LogConversion.h"
#include "summary/TripSummary.h"
#include "summary/WarningKinds.h"

namespace py = pybind11;

namespace drovane::python {
namespace {

struct UnitName {
    std::string_view name;
    UnitSystem units;
};
constexpr std::array<UnitName, 3> kUnitNames{{
    {"metric", UnitSystem::Metric},
    {"US", UnitSystem::US},
    {"UK", UnitSystem::UK},
}};

UnitSystem UnitsNamed(std::string_view name) {
    for (const UnitName& known : kUnitNames) {
        if (known.name == name) return known.units;
    }
    throw py::value_error("units must be \"metric\", \"US\" or \"UK\", not \"" + std::string(name) + "\"");
}

RunOptions OptionsFor(std::string_view units, bool hold) {
    RunOptions options;
    options.units = UnitsNamed(units);
    options.holdValues = hold;
    return options;
}

// As "-j": 1 to 256 threads, but no more than the cores, or one per core.
unsigned ThreadsFor(const std::optional<int>& threads) {
    const unsigned cores = std::thread::hardware_concurrency();
    if (!threads) return std::max(1u, cores);
    if (*threads < 1 || *threads > static_cast<int>(kMaxThreads)) {
        throw py::value_error("threads must be 1 to " + std::to_string(kMaxThreads) + ", not " +
                              std::to_string(*threads));
    }
    return ChunkPlan::ThreadsWorthRunning(static_cast<unsigned>(*threads), cores);
}

// A column handed over to numpy without a copy: the array owns the vector.
template <typename T>
py::array_t<T> ArrayOf(std::vector<T>&& values) {
    auto owned = std::make_unique<std::vector<T>>(std::move(values));
    py::capsule owner(owned.get(), [](void* vector) { delete static_cast<std::vector<T>*>(vector); });
    std::vector<T>& kept = *owned.release();
    return py::array_t<T>(static_cast<py::ssize_t>(kept.size()), kept.data(), owner);
}

// (columns, warnings, status, error number, message): the columns in column order.
py::tuple ToPython(ConvertedLog&& log) {
    py::list columns;
    for (int column = 0; column < kColumnCount; ++column) {
        if (column == kColTime) {
            columns.append(ArrayOf(std::move(log.columns.time)));
        } else if (std::any_of(kWordColumns.begin(), kWordColumns.end(),
                               [&](const WordColumn& words) { return words.column == column; })) {
            columns.append(ArrayOf(std::move(log.columns.words[column])));
        } else {
            columns.append(ArrayOf(std::move(log.columns.numbers[column])));
        }
    }
    return py::make_tuple(columns, py::cast(log.warnings), log.status, log.errorNumber, log.message);
}

py::tuple ConvertFile(const std::string& path, std::string_view units, bool hold, std::optional<int> threads) {
    const RunOptions options = OptionsFor(units, hold);
    const unsigned count = ThreadsFor(threads);
    ConvertedLog log;
    {
        py::gil_scoped_release released;
        log = ConvertLogFile(path, options, count);
    }
    return ToPython(std::move(log));
}

py::tuple ConvertBytes(const py::buffer& bytes, std::string_view name, std::string_view units, bool hold,
                       std::optional<int> threads) {
    const RunOptions options = OptionsFor(units, hold);
    const unsigned count = ThreadsFor(threads);
    // The buffer stays exported, and so unchanged in size, until the conversion is done.
    const py::buffer_info view = bytes.request();
    const std::string_view log(static_cast<const char*>(view.ptr), static_cast<std::size_t>(view.size * view.itemsize));
    ConvertedLog converted;
    {
        py::gil_scoped_release released;
        converted = ConvertLogBytes(log, name, options, count);
    }
    return ToPython(std::move(converted));
}

py::list Headings(std::string_view units) {
    const bool us = UnitsNamed(units) == UnitSystem::US;
    py::list headings;
    for (const ColumnDefinition& column : kColumnDefinitions) {
        headings.append(us && column.usName != nullptr ? column.usName : column.name);
    }
    return headings;
}

py::dict Words() {
    py::dict words;
    for (const WordColumn& column : kWordColumns) {
        words[kColumnDefinitions[column.column].name] =
            py::cast(std::vector<std::string_view>(column.words.begin(), column.words.end()));
    }
    return words;
}

// The figures of the trip summary by their keys; None where the trip has none, counts as ints.
py::dict SummaryOf(const py::array_t<double, py::array::c_style | py::array::forcecast>& time,
                   const py::array_t<double, py::array::c_style | py::array::forcecast>& speed,
                   const py::array_t<double, py::array::c_style | py::array::forcecast>& fuelFlow,
                   const py::array_t<std::uint8_t, py::array::c_style | py::array::forcecast>& evMode,
                   double packetSeconds) {
    const auto rows = static_cast<std::size_t>(time.size());
    if (static_cast<std::size_t>(speed.size()) != rows || static_cast<std::size_t>(fuelFlow.size()) != rows ||
        static_cast<std::size_t>(evMode.size()) != rows) {
        throw py::value_error("the columns of a summary must be of one length");
    }
    const auto* ev = reinterpret_cast<const EvMode*>(evMode.data());
    const TripSummary summary = drovane::Summarize(
        {{time.data(), rows}, {speed.data(), rows}, {fuelFlow.data(), rows}, {ev, rows}}, packetSeconds);
    py::dict figures;
    for (const SummaryFigureDefinition& definition : kSummaryFigures) {
        const std::optional<double> value = ValueOf(summary, definition.figure);
        py::str key(definition.key.data(), definition.key.size());
        if (!value) {
            figures[key] = py::none();
        } else if (definition.count) {
            figures[key] = static_cast<std::int64_t>(*value);
        } else {
            figures[key] = *value;
        }
    }
    return figures;
}

}  // namespace
}  // namespace drovane::python

PYBIND11_MODULE(_drovane, module) {
    using namespace drovane;
    using namespace drovane::python;
    module.doc() = "The converter's conversion into columns and the trip summary; see the package drovane.";
    module.def("convert_file", &ConvertFile, py::arg("path"), py::arg("units"), py::arg("hold"), py::arg("threads"));
    module.def("convert_bytes", &ConvertBytes, py::arg("log"), py::arg("name"), py::arg("units"), py::arg("hold"),
               py::arg("threads"));
    module.def("headings", &Headings, py::arg("units"));
    module.attr("WORDS") = Words();
    module.def("summarize", &SummaryOf, py::arg("time"), py::arg("speed"), py::arg("fuel_flow"), py::arg("ev_mode"),
               py::arg("packet_seconds"));
    // Unknown, Other, EV: the EV Mode of a row as the summary takes it.
    module.attr("EV_MODE_CODES") = py::make_tuple(static_cast<int>(EvMode::Unknown), static_cast<int>(EvMode::Other),
                                                  static_cast<int>(EvMode::EV));
    py::list figures;
    for (const SummaryFigureDefinition& figure : kSummaryFigures) {
        figures.append(py::make_tuple(figure.key, figure.metricUnit, figure.usUnit));
    }
    module.attr("SUMMARY_FIGURES") = figures;
    // The kinds of warnings, each known by how its line begins (summary/WarningKinds.h), and the
    // name of the other warnings' count.
    py::list kinds;
    for (const WarningKind& kind : kWarningKinds) kinds.append(py::make_tuple(kind.key, kind.lineStart));
    module.attr("WARNING_KINDS") = py::tuple(kinds);
    module.attr("OTHER_WARNINGS") = kOtherWarnings.key;
    // The columns the summary takes: Time, the speed, the fuel flow and EV Mode.
    module.attr("SUMMARY_COLUMNS") = py::make_tuple(static_cast<int>(kColTime), static_cast<int>(kColSpeed),
                                                    static_cast<int>(kColFuelFlow), static_cast<int>(kColEvMode));
}
