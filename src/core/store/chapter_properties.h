#pragma once
// The fields of the "章节属性" dialog. The command that opens it sets the save caption, and
// the caption decides what saving does.
#include <string>
#include <string_view>

namespace mozhou::store {

inline constexpr std::string_view kSaveEdit = "修改";
inline constexpr std::string_view kSaveNew = "新增";
inline constexpr std::string_view kSaveInsert = "插入";

struct ChapterPropertiesForm {
  std::string zjnm;         // "章节名称："
  std::string fjnm;         // "分卷名称："
  std::string zjml;         // "章节地址："
  std::string saveCaption;  // kSaveEdit, kSaveNew or kSaveInsert
};

}  // namespace mozhou::store
