// mozhou-cli chapter add | edit | move | sort | delete
#include <algorithm>
#include <optional>
#include <ostream>

#include "cli/chapter_book.h"

namespace mozhou::cli {
namespace {

// The fields given as options; unset ones stay as they are.
struct Fields {
  std::optional<std::string> name, volume, url;
  explicit Fields(Context& ctx)
      : name(ctx.args.value("--name")),
        volume(ctx.args.value("--volume")),
        url(ctx.args.value("--url")) {}
  void applyTo(store::ChapterPropertiesForm& form) const {
    if (name) form.zjnm = *name;
    if (volume) form.fjnm = *volume;
    if (url) form.zjml = *url;
  }
};

int addCommand(Context& ctx) {
  const Fields fields(ctx);
  const auto before = ctx.args.value("--before");
  std::vector<std::string> words;
  std::string error;
  if (!ctx.args.positional(words, error)) return usageError(ctx, error);
  if (words.size() != 1 || !fields.name)
    return usageError(ctx,
                      "usage: chapter add BOOK_ID --name N [--volume V] [--url U] "
                      "[--before CHAPTER_ID]");
  ChapterBook book(ctx);
  if (int rc = book.open(words[0])) return rc;
  store::ChapterPropertiesForm form;
  if (before) {
    if (!book.select({*before})) return 2;
    book.list().openInsertProperties(form);
  } else {
    book.list().openNewProperties(form);
  }
  fields.applyTo(form);
  const std::size_t rowsBefore = book.list().size();
  if (!book.list().saveProperties(form) || book.list().size() == rowsBefore) return 1;
  // The new chapter has the highest id of the list.
  long long id = 0;
  for (const auto& r : book.list().rows()) id = std::max(id, r.id);
  if (ctx.json)
    printJson(ctx, {{"id", std::to_string(id)}});
  else
    ctx.out << id << "\n";
  return 0;
}

int editCommand(Context& ctx) {
  const Fields fields(ctx);
  std::vector<std::string> words;
  std::string error;
  if (!ctx.args.positional(words, error)) return usageError(ctx, error);
  if (words.size() != 2)
    return usageError(ctx,
                      "usage: chapter edit BOOK_ID CHAPTER_ID [--name N] [--volume V] [--url U]");
  ChapterBook book(ctx);
  if (int rc = book.open(words[0])) return rc;
  if (!book.select({words[1]})) return 2;
  store::ChapterPropertiesForm form;
  book.list().openEditProperties(form);
  fields.applyTo(form);
  return book.list().saveProperties(form) ? 0 : 1;
}

int moveCommand(Context& ctx) {
  const auto onto = ctx.args.value("--onto");
  std::vector<std::string> words;
  std::string error;
  if (!ctx.args.positional(words, error)) return usageError(ctx, error);
  if (words.size() != 2 || !onto)
    return usageError(ctx, "usage: chapter move BOOK_ID CHAPTER_ID --onto CHAPTER_ID");
  ChapterBook book(ctx);
  if (int rc = book.open(words[0])) return rc;
  std::size_t target = 0;
  long long targetId = 0;
  if (!book.select({words[1]}) || !book.rowOf(*onto, target, targetId)) return 2;
  book.list().setMoveLocked(false);
  if (!book.list().drop(target)) return usageError(ctx, "a chapter cannot be moved onto itself");
  return 0;
}

int sortCommand(Context& ctx) {
  std::vector<std::string> words;
  std::string error;
  if (!ctx.args.positional(words, error)) return usageError(ctx, error);
  const char* usage = "usage: chapter sort BOOK_ID name|time|url";
  if (words.size() != 2) return usageError(ctx, usage);
  int order;
  if (words[1] == "name")
    order = store::kOrderName;
  else if (words[1] == "time")
    order = store::kOrderTime;
  else if (words[1] == "url")
    order = store::kOrderUrl;
  else
    return usageError(ctx, usage);
  ChapterBook book(ctx);
  if (int rc = book.open(words[0])) return rc;
  book.list().zjpaix(order);
  return 0;
}

int deleteCommand(Context& ctx) {
  std::vector<std::string> words;
  std::string error;
  if (!ctx.args.positional(words, error)) return usageError(ctx, error);
  if (words.size() < 2) return usageError(ctx, "usage: chapter delete BOOK_ID CHAPTER_ID...");
  ChapterBook book(ctx);
  if (int rc = book.open(words[0])) return rc;
  if (!book.select({words.begin() + 1, words.end()})) return 2;
  const std::size_t rowsBefore = book.list().size();
  book.list().zjdel();
  if (book.prompter().declined()) return 1;
  if (book.list().size() == rowsBefore) {
    ctx.err << "mozhou-cli: the chapters could not be deleted\n";
    return 1;
  }
  return 0;
}

const CommandRegistration kAdd(
    "chapter add",
    "chapter add BOOK_ID --name N [--volume V] [--url U] [--before CHAPTER_ID]   add a chapter",
    addCommand);
const CommandRegistration kEdit(
    "chapter edit",
    "chapter edit BOOK_ID CHAPTER_ID [--name N] [--volume V] [--url U]   edit a chapter",
    editCommand);
const CommandRegistration kMove("chapter move",
                                "chapter move BOOK_ID CHAPTER_ID --onto CHAPTER_ID   move a "
                                "chapter before another",
                                moveCommand);
const CommandRegistration kSort("chapter sort",
                                "chapter sort BOOK_ID name|time|url   sort and store the order",
                                sortCommand);
const CommandRegistration kDelete("chapter delete",
                                  "chapter delete BOOK_ID CHAPTER_ID...   delete chapters with "
                                  "their files",
                                  deleteCommand);

}  // namespace
}  // namespace mozhou::cli
