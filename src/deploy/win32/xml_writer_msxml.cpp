// The XML DOM of Windows (MSXML 3.0, part of every Windows since XP), through COM.
#include <msxml2.h>
#include <windows.h>

#include <vector>

#include "deploy/xml_writer.h"
#include "system/win32/text_win32.h"

namespace quillbay {
namespace {

// DOMDocument30: the version-dependent name of the DOM, so that no other version is taken.
constexpr CLSID kDomDocument30 = {
    0xf5078f32, 0xc551, 0x11d3, {0x89, 0xb9, 0x00, 0x00, 0xf8, 0x1f, 0xe2, 0x21}};

// A BSTR that frees itself.
class Bstr {
 public:
  explicit Bstr(std::string_view text) : value_(SysAllocString(WideText(text).c_str())) {}
  ~Bstr() { SysFreeString(value_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return value_; }

 private:
  BSTR value_;
};

class MsxmlWriter final : public XmlWriter {
 public:
  explicit MsxmlWriter(IXMLDOMDocument* doc) : doc_(doc) {}
  ~MsxmlWriter() override {
    for (IXMLDOMElement* element : open_) element->Release();
    doc_->Release();
  }
  MsxmlWriter(const MsxmlWriter&) = delete;
  MsxmlWriter& operator=(const MsxmlWriter&) = delete;

  void StartElement(std::string_view name) override {
    IXMLDOMElement* element = nullptr;
    if (!Check(doc_->createElement(Bstr(name).get(), &element))) {
      open_.push_back(nullptr);
      return;
    }
    IXMLDOMNode* parent = open_.empty() ? static_cast<IXMLDOMNode*>(doc_) : open_.back();
    if (parent != nullptr) Check(parent->appendChild(element, nullptr));
    open_.push_back(element);
  }
  void Attribute(std::string_view name, std::string_view value) override {
    if (open_.empty() || open_.back() == nullptr) return;
    Bstr text(value);
    VARIANT variant;
    VariantInit(&variant);
    variant.vt = VT_BSTR;
    variant.bstrVal = text.get();
    Check(open_.back()->setAttribute(Bstr(name).get(), variant));
  }
  void EndElement() override {
    if (open_.back() != nullptr) open_.back()->Release();
    open_.pop_back();
  }
  std::optional<std::string> Finish() override {
    BSTR xml = nullptr;
    if (!Check(doc_->get_xml(&xml)) || failed_) return std::nullopt;
    std::wstring_view wide(xml, SysStringLen(xml));
    while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n')) wide.remove_suffix(1);
    std::string out;
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(size));
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size,
                        nullptr, nullptr);
    SysFreeString(xml);
    return out;
  }

 private:
  bool Check(HRESULT result) {
    failed_ = failed_ || FAILED(result);
    return SUCCEEDED(result);
  }

  IXMLDOMDocument* doc_;
  std::vector<IXMLDOMElement*> open_;
  bool failed_ = false;
};

}  // namespace

std::unique_ptr<XmlWriter> NewXmlWriter() {
  // Once for the process, which has no other use for COM; it ends with the process.
  static const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(com)) return nullptr;
  IXMLDOMDocument* doc = nullptr;
  if (FAILED(CoCreateInstance(kDomDocument30, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                              reinterpret_cast<void**>(&doc)))) {
    return nullptr;
  }
  return std::make_unique<MsxmlWriter>(doc);
}

}  // namespace quillbay
