#include "writers/ovba/module_stream.h"

#include "writers/ovba/compressor.h"

namespace qv::writers::ovba {

std::string ModuleSource(std::string_view moduleName, std::string_view body) {
  std::string text = "Attribute VB_Name = \"";
  text += moduleName;
  text += "\"\r\n";
  text += body;
  return text;
}

std::string DocumentModuleSource(std::string_view moduleName, std::string_view base, std::string_view body) {
  const bool templateDerived = base.rfind("1Normal.", 0) == 0;
  std::string text = ModuleSource(moduleName, "");
  text += "Attribute VB_Base = \"";
  text += base;
  text += "\"\r\n";
  text += "Attribute VB_GlobalNameSpace = False\r\n";
  text += "Attribute VB_Creatable = False\r\n";
  text += "Attribute VB_PredeclaredId = True\r\n";
  text += "Attribute VB_Exposed = True\r\n";
  text += std::string("Attribute VB_TemplateDerived = ") + (templateDerived ? "True" : "False") + "\r\n";
  text += "Attribute VB_Customizable = True\r\n";
  text += body;
  return text;
}

ModuleStream BuildModuleStream(std::string_view source, const std::vector<uint8_t>& cache) {
  ModuleStream stream;
  stream.bytes = cache;
  stream.sourceOffset = static_cast<uint32_t>(cache.size());
  const Container container = Compress(source);
  stream.bytes.insert(stream.bytes.end(), container.bytes.begin(), container.bytes.end());
  return stream;
}

}  // namespace qv::writers::ovba
