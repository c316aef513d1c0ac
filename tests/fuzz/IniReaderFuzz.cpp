// The INI document over arbitrary bytes, then the settings and a
// configuration's transmit items read from it. Checks: nothing reads outside
// a buffer (sanitizers); writing the document out and reading it again gives
// the same sections and the same values; every value read is in its range.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "persistence/ConfigurationFile.h"
#include "persistence/IniDocument.h"
#include "persistence/SettingsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvo;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const TIniDocument doc = TIniDocument::Parse(bytes);
  const std::string text = doc.Serialize();
  const TIniDocument again = TIniDocument::Parse(text);
  if (again.SectionNames() != doc.SectionNames()) std::abort();
  if (again.Serialize() != text) std::abort();
  for (const std::string& section : doc.SectionNames())
    for (const char* key : {"Mode", "NoOfItems", "EnhancedBaud", "SerialNo", "UpdateInterval"})
      if (doc.Value(section, key) != again.Value(section, key)) std::abort();

  const TSettings s = ReadSettings(doc, TSettings{});
  if (s.Display.UpdateInterval > 1000) std::abort();
  if (s.Display.CyclicBufferSize < 1000 || s.Display.CyclicBufferSize > 1000000) std::abort();
  if (s.Display.NumericBase != 0 && s.Display.NumericBase != 1) std::abort();
  if (s.SavedDeviceSelection.SerialNo[sizeof s.SavedDeviceSelection.SerialNo - 1] != 0) std::abort();

  const int32_t count = ReadTransmitItemCount(doc);
  if (count < 0 || count > 50) std::abort();
  for (int32_t i = 0; i < count; ++i) {
    const TCANTransmitMessage item = ReadTransmitItem(doc, i);
    if (item.ID > (item.IDE ? 0x1FFFFFFFu : 0x7FFu)) std::abort();
    if (item.PeriodIndex > 10 || item.Key < 0 || item.Key > 18 || item.DLC > 15) std::abort();
  }
  return 0;
}
