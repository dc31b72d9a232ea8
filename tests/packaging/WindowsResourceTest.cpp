// The compiled Windows resources of the window program: the version
// information Explorer shows under Properties › Details, and the icon group
// it shows for the executable. Reads the file the resource compiler wrote
// (.res) and, where it is built, Vantrel.exe itself, so what is checked is
// what Windows would see, not the source text.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "BinaryReader.h"

namespace vantrel::testing {
namespace {

constexpr std::uint16_t kRtIcon = 3;
constexpr std::uint16_t kRtGroupIcon = 14;
constexpr std::uint16_t kRtVersion = 16;
constexpr std::uint16_t kUsEnglish = 0x0409;

std::size_t Align4(std::size_t offset) {
  return (offset + 3) & ~std::size_t{3};
}

// A resource type or name: a number, or a UTF-16 string.
struct Id {
  std::optional<std::uint16_t> number;
  std::u16string name;
};

// Reads a zero-terminated UTF-16 string; `offset` moves past its terminator.
std::u16string Utf16z(const Bytes& data, std::size_t& offset) {
  std::u16string text;
  for (std::uint16_t unit = Le16(data, offset); unit != 0; unit = Le16(data, offset)) {
    text.push_back(static_cast<char16_t>(unit));
    offset += 2;
  }
  offset += 2;
  return text;
}

Id ReadId(const Bytes& data, std::size_t& offset) {
  Id id;
  if (Le16(data, offset) == 0xFFFF) {
    id.number = Le16(data, offset + 2);
    offset += 4;
  } else {
    id.name = Utf16z(data, offset);
  }
  return id;
}

struct Resource {
  Id type;
  Id name;
  std::uint16_t language = 0;
  Bytes data;
};

// Every entry of a .res file but the empty one that opens it.
std::vector<Resource> ReadRes(const Bytes& res) {
  std::vector<Resource> out;
  std::size_t offset = 0;
  while (offset < res.size()) {
    const std::uint32_t data_size = Le32(res, offset);
    const std::uint32_t header_size = Le32(res, offset + 4);
    std::size_t field = offset + 8;
    Resource resource;
    resource.type = ReadId(res, field);
    resource.name = ReadId(res, field);
    field = Align4(field);
    resource.language = Le16(res, field + 6);
    resource.data = Slice(res, offset + header_size, data_size);
    if (data_size != 0)
      out.push_back(std::move(resource));
    offset = Align4(offset + header_size + data_size);
  }
  return out;
}

// The resources of an executable: the three levels (type, name, language)
// of its resource section's directory, down to each resource's bytes.
std::vector<Resource> ReadPe(const Bytes& pe) {
  const std::size_t header = Le32(pe, 0x3C);
  if (Le32(pe, header) != 0x00004550)
    throw std::runtime_error("not a PE file");
  const std::uint16_t sections = Le16(pe, header + 6);
  const std::size_t table = header + 24 + Le16(pe, header + 20);
  std::size_t base = 0;   // the resource section in the file
  std::uint32_t rva = 0;  // and in memory
  for (std::size_t i = 0; i < sections; ++i) {
    const std::size_t at = table + 40 * i;
    if (Slice(pe, at, 8) == Bytes{'.', 'r', 's', 'r', 'c', 0, 0, 0}) {
      rva = Le32(pe, at + 12);
      base = Le32(pe, at + 20);
    }
  }
  if (base == 0)
    throw std::runtime_error("no resource section");

  // A directory's entries: an id (a number, or a string when the top bit is
  // set) and the offset of what it points to.
  const auto entries = [&](std::size_t directory) {
    std::vector<std::pair<Id, std::uint32_t>> found;
    const std::size_t count =
        std::size_t{Le16(pe, base + directory + 12)} + Le16(pe, base + directory + 14);
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t at = base + directory + 16 + 8 * i;
      const std::uint32_t name = Le32(pe, at);
      Id id;
      if (name & 0x80000000U) {
        const std::size_t string = base + (name & 0x7FFFFFFFU);
        for (std::size_t c = 0; c < Le16(pe, string); ++c)
          id.name.push_back(static_cast<char16_t>(Le16(pe, string + 2 + 2 * c)));
      } else {
        id.number = static_cast<std::uint16_t>(name);
      }
      found.emplace_back(id, Le32(pe, at + 4) & 0x7FFFFFFFU);
    }
    return found;
  };
  std::vector<Resource> out;
  for (const auto& [type, names] : entries(0)) {
    for (const auto& [name, languages] : entries(names)) {
      for (const auto& [language, entry] : entries(languages)) {
        Resource resource{type, name, language.number.value_or(0), {}};
        resource.data = Slice(pe, base + Le32(pe, base + entry) - rva, Le32(pe, base + entry + 4));
        out.push_back(std::move(resource));
      }
    }
  }
  return out;
}

// A .res file, or an executable ("MZ").
std::vector<Resource> ReadResources(const std::string& path) {
  const Bytes file = ReadFile(path);
  return file.size() > 2 && file[0] == 'M' && file[1] == 'Z' ? ReadPe(file) : ReadRes(file);
}

// One node of a version resource: a key, a value, and child nodes.
struct VersionNode {
  std::u16string key;
  std::uint16_t type = 0;  // 1 text, 0 binary
  Bytes value;
  std::u16string text;  // the value as text, when type is 1
  std::vector<VersionNode> children;
};

VersionNode ReadVersionNode(const Bytes& data, std::size_t start) {
  VersionNode node;
  const std::uint16_t length = Le16(data, start);
  const std::uint16_t value_length = Le16(data, start + 2);
  node.type = Le16(data, start + 4);
  std::size_t offset = start + 6;
  node.key = Utf16z(data, offset);
  offset = Align4(offset);
  if (node.type == 1) {
    // Text values count UTF-16 units, the terminator included.
    std::size_t at = offset;
    for (std::uint16_t i = 0; i < value_length; ++i, at += 2) {
      const std::uint16_t unit = Le16(data, at);
      if (unit != 0)
        node.text.push_back(static_cast<char16_t>(unit));
    }
    EXPECT_EQ(Le16(data, at - 2), 0) << "text value without a terminator";
    offset = at;
  } else {
    node.value = Slice(data, offset, value_length);
    offset += value_length;
  }
  const std::size_t end = start + length;
  Need(data, start, length);
  for (offset = Align4(offset); offset < end; offset = Align4(offset)) {
    node.children.push_back(ReadVersionNode(data, offset));
    const std::uint16_t child_length = Le16(data, offset);
    if (child_length == 0)
      throw std::runtime_error("empty version node");
    offset += child_length;
  }
  return node;
}

const VersionNode* Child(const VersionNode& node, const std::u16string& key) {
  for (const auto& child : node.children) {
    if (child.key == key)
      return &child;
  }
  return nullptr;
}

std::string Narrow(const std::u16string& text) {
  std::string out;
  for (char16_t unit : text)
    out.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
  return out;
}

// Each file checked, with the names its version information gives: what
// the resource compiler wrote and the window program, and the command-line
// tool. The description is the name Task Manager shows for the process.
struct Checked {
  std::string test, path, internalName, fileName, description;
};
std::vector<Checked> Files() {
  return {
      {"Compiled", VANTREL_RES_FILE, "Vantrel", "Vantrel.exe", "Vantrel"},
#ifdef VANTREL_EXE_FILE
      {"Executable", VANTREL_EXE_FILE, "Vantrel", "Vantrel.exe", "Vantrel"},
#endif
#ifdef VANTREL_CLI_EXE_FILE
      {"ToolExecutable", VANTREL_CLI_EXE_FILE, "vantrel-cli", "vantrel-cli.exe",
       "Vantrel command-line tool"},
#endif
  };
}
void PrintTo(const Checked& checked, std::ostream* out) {
  *out << checked.path;
}

class WindowsResources : public ::testing::TestWithParam<Checked> {
 protected:
  void SetUp() override { resources_ = ReadResources(GetParam().path); }

  std::vector<const Resource*> OfType(std::uint16_t type) const {
    std::vector<const Resource*> found;
    for (const auto& resource : resources_) {
      if (resource.type.number == type)
        found.push_back(&resource);
    }
    return found;
  }

  VersionNode Version() const {
    const auto versions = OfType(kRtVersion);
    if (versions.size() != 1)
      throw std::runtime_error("expected one version resource");
    return ReadVersionNode(versions.front()->data, 0);
  }

  std::vector<Resource> resources_;
};

TEST_P(WindowsResources, VersionResourceIsOneUsEnglishResource) {
  const auto versions = OfType(kRtVersion);
  ASSERT_EQ(versions.size(), 1U);
  EXPECT_EQ(versions.front()->name.number, 1);
  EXPECT_EQ(versions.front()->language, kUsEnglish);
  const VersionNode root = Version();
  EXPECT_EQ(Narrow(root.key), "VS_VERSION_INFO");
  EXPECT_EQ(root.type, 0);
}

TEST_P(WindowsResources, FixedFileInfoSaysVersionOneForAnApplication) {
  const VersionNode root = Version();
  const Bytes& fixed = root.value;
  ASSERT_EQ(fixed.size(), 52U);
  EXPECT_EQ(Le32(fixed, 0), 0xFEEF04BDU) << "signature";
  EXPECT_EQ(Le32(fixed, 8), 0x00010000U) << "file version 1.0";
  EXPECT_EQ(Le32(fixed, 12), 0x00000000U) << "file version .0.0";
  EXPECT_EQ(Le32(fixed, 16), 0x00010000U) << "product version 1.0";
  EXPECT_EQ(Le32(fixed, 20), 0x00000000U) << "product version .0.0";
  EXPECT_EQ(Le32(fixed, 28), 0U) << "no debug, pre-release or patched flags";
  EXPECT_EQ(Le32(fixed, 32), 0x00040004U) << "Windows NT, 32-bit Windows API";
  EXPECT_EQ(Le32(fixed, 36), 1U) << "an application";
}

TEST_P(WindowsResources, StringTableIsUsEnglishUnicodeWithExactlyTheNamedValues) {
  const VersionNode root = Version();
  const VersionNode* strings = Child(root, u"StringFileInfo");
  ASSERT_NE(strings, nullptr);
  ASSERT_EQ(strings->children.size(), 1U);
  const VersionNode& table = strings->children.front();
  EXPECT_EQ(Narrow(table.key), "040904B0") << "US English, code page 1200";

  std::map<std::string, std::string> values;
  for (const auto& value : table.children) {
    EXPECT_EQ(value.type, 1) << Narrow(value.key) << " is not stored as UTF-16 text";
    values[Narrow(value.key)] = Narrow(value.text);
  }
  const std::map<std::string, std::string> expected = {
      {"FileDescription", GetParam().description},
      {"FileVersion", "1.00"},
      {"InternalName", GetParam().internalName},
      {"OriginalFilename", GetParam().fileName},
      {"ProductName", "Vantrel"},
      {"ProductVersion", "1.00"},
  };
  EXPECT_EQ(values, expected);
  EXPECT_EQ(table.children.size(), expected.size()) << "a key appears twice";
}

TEST_P(WindowsResources, TranslationNamesUsEnglishAndCodePage1200) {
  const VersionNode root = Version();
  const VersionNode* var_info = Child(root, u"VarFileInfo");
  ASSERT_NE(var_info, nullptr);
  const VersionNode* translation = Child(*var_info, u"Translation");
  ASSERT_NE(translation, nullptr);
  EXPECT_EQ(translation->type, 0);
  ASSERT_EQ(translation->value.size(), 4U) << "exactly one language and code page";
  EXPECT_EQ(Le16(translation->value, 0), kUsEnglish);
  EXPECT_EQ(Le16(translation->value, 2), 1200);
}

TEST_P(WindowsResources, IconGroupHoldsEveryImageOfTheIconFile) {
  const auto groups = OfType(kRtGroupIcon);
  ASSERT_EQ(groups.size(), 1U) << "Explorer shows the first group; there must be one";
  const Bytes& group = groups.front()->data;
  ASSERT_EQ(Le16(group, 0), 0);
  ASSERT_EQ(Le16(group, 2), 1) << "an icon, not a cursor";

  // The group lists the images in the .ico's order, each now a resource of
  // its own whose bytes are the image from the file.
  const Bytes ico = ReadFile(VANTREL_ICO_FILE);
  const std::uint16_t count = Le16(group, 4);
  ASSERT_EQ(count, Le16(ico, 4));
  std::map<std::uint16_t, const Resource*> images;
  for (const auto* image : OfType(kRtIcon)) {
    ASSERT_TRUE(image->name.number.has_value());
    images[*image->name.number] = image;
  }
  EXPECT_EQ(images.size(), count);
  bool has_256_colour_48 = false;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = 6 + 14 * i;
    const std::size_t in_file = 6 + 16 * i;
    EXPECT_EQ(U8(group, at), U8(ico, in_file)) << "width of image " << i;
    EXPECT_EQ(Le16(group, at + 6), Le16(ico, in_file + 6)) << "bits of image " << i;
    const std::uint16_t id = Le16(group, at + 12);
    ASSERT_TRUE(images.count(id)) << "image " << i << " missing";
    EXPECT_EQ(images[id]->data, Slice(ico, Le32(ico, in_file + 12), Le32(ico, in_file + 8)));
    EXPECT_EQ(Le32(group, at + 8), images[id]->data.size());
    has_256_colour_48 |= U8(group, at) == 48 && Le16(group, at + 6) == 8;
  }
  EXPECT_TRUE(has_256_colour_48);
}

INSTANTIATE_TEST_SUITE_P(Files, WindowsResources, ::testing::ValuesIn(Files()),
                         [](const auto& file) { return file.param.test; });

}  // namespace
}  // namespace vantrel::testing
