#pragma once
// The three process-wide registries: transfer coders, field coders and part
// classes, each a list of names with factories, looked up case-insensitively.
// Each fills itself on first use (a thread-safe static) and is only read after.

#include "mime/coder.h"
#include "mime/field_coders.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ombrix {
class MessagePart;
}

namespace ombrix::mime {

template <typename Product> class Registry {
public:
    using Factory = std::function<std::unique_ptr<Product>()>;

    void add(std::string name, Factory factory) {
        entries_.push_back({std::move(name), std::move(factory)});
    }
    // The factory registered under name (case-insensitive), or nullptr.
    const Factory* find(std::string_view name) const;
    std::size_t size() const { return entries_.size(); }

private:
    struct Entry {
        std::string name;
        Factory factory;
    };
    std::vector<Entry> entries_;
};

const Registry<Coder>& transferCoderRegistry();
const Registry<FieldCoder>& fieldCoderRegistry();
const Registry<MessagePart>& partRegistry();

// The coder for a Content-Transfer-Encoding value; the copy coder for "7bit", "8bit",
// an empty value and anything unknown.
std::unique_ptr<Coder> makeTransferCoder(std::string_view encoding);
// The field coder for a field name; the plain one for names not registered.
std::unique_ptr<FieldCoder> makeFieldCoder(std::string_view fieldName);
// A part for a main media type; the generic part for every type not registered.
std::unique_ptr<MessagePart> makePart(std::string_view mainType);

} // namespace ombrix::mime
