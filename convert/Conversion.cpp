#include "convert/Conversion.h"

#include "core/MemoryStreams.h"

namespace drovane {

Conversion::Conversion(const RunOptions& options, TextBuffer& output, TextBuffer& diagnostics)
    : options_(options),
      fields_(options_, diagnostics),
      decoder_(options_, fields_, diagnostics),
      writer_(options_, fields_, output, diagnostics),
      assembler_(options_, fields_, decoder_, writer_, output, diagnostics) {}

void Conversion::Run(ByteSource& input, std::size_t bufferSize, ProgressObserver* observer) {
    InputWindow window(input, bufferSize);
    window.SetObserver(observer);
    assembler_.Run(window);
}

ConversionText ConvertBytes(std::string_view log, const RunOptions& options) {
    StringOutputSink csvSink;
    StringOutputSink diagnosticSink;
    {
        TextBuffer csv(csvSink);
        TextBuffer diagnostics(diagnosticSink);
        Conversion conversion(options, csv, diagnostics);
        MemoryByteSource source(log);
        conversion.Run(source);
        csv.Flush();
        diagnostics.Flush();
    }
    return {csvSink.Text(), diagnosticSink.Text()};
}

}  // namespace drovane
