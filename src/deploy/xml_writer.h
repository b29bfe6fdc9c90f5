#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quillbay {

// An XML document written element by element through the platform's XML library, which
// escapes every name and value: pugixml elsewhere, the DOM of MSXML on Windows. As thin
// as the registry store: the documents themselves are built once, in portable code.
class XmlWriter {
 public:
  virtual ~XmlWriter() = default;
  virtual void StartElement(std::string_view name) = 0;
  // An attribute of the element just started; `value` is the program's text.
  virtual void Attribute(std::string_view name, std::string_view value) = 0;
  virtual void EndElement() = 0;
  // The elements as UTF-8, with no declaration and no line breaks; nullopt when the library
  // failed.
  virtual std::optional<std::string> Finish() = 0;
};

// nullptr when the library cannot be loaded.
std::unique_ptr<XmlWriter> NewXmlWriter();

}  // namespace quillbay
