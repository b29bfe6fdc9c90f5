#include <pugixml.hpp>

#include <sstream>
#include <vector>

#include "deploy/xml_writer.h"

namespace quillbay {
namespace {

class PugiXmlWriter final : public XmlWriter {
 public:
  void StartElement(std::string_view name) override {
    open_.push_back(open_.back().append_child(std::string(name).c_str()));
  }
  void Attribute(std::string_view name, std::string_view value) override {
    open_.back().append_attribute(std::string(name).c_str()) = std::string(value).c_str();
  }
  void EndElement() override { open_.pop_back(); }
  std::optional<std::string> Finish() override {
    std::ostringstream out;
    doc_.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return out.str();
  }

 private:
  pugi::xml_document doc_;
  std::vector<pugi::xml_node> open_{doc_};
};

}  // namespace

std::unique_ptr<XmlWriter> NewXmlWriter() {
  return std::make_unique<PugiXmlWriter>();
}

}  // namespace quillbay
