#include "reference_page_update.h"

#include "attribute.h"
#include "error.h"
#include "message.h"
#include "paths.h"

#include <filesystem>
#include <fstream>
#include <iostream>

namespace brindle::korin
{

namespace
{

// System paths come with their platform's separators; Windows takes either.
#ifdef _WIN32
constexpr const char* separators = "/\\";
#else
constexpr const char* separators = "/";
#endif

// The host's path texts are UTF-8; a narrow string names a file in the system's code page on
// Windows, so the page is opened by its UTF-8 name there.
std::filesystem::path file_path(const std::string& text)
{
#ifdef _WIN32
    return std::u8string(text.begin(), text.end());
#else
    return text;
#endif
}

std::string cut_after_last_slash(const std::string& path)
{
    const auto slash = path.find_last_of(separators);
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

} // namespace

reference_page_content reference_content_of(const object_base& prototype,
                                            const std::string& class_name)
{
    reference_page_content content;
    content.class_name = class_name;
    content.category = prototype.category_text();
    content.description = prototype.description_text();
    content.author = prototype.author_text();
    content.tags = prototype.tags();
    content.related = prototype.related_objects();
    for (const auto& [name, message] : prototype.messages())
    {
        if (!message->is_internal())
        {
            content.methods.push_back({name, message->description()});
        }
    }
    for (const attribute_base* attribute : prototype.attributes())
    {
        content.attributes.push_back({attribute->name(), !attribute->read_only(),
                                      attribute->visible(), attribute->data_type()->name,
                                      attribute->description()});
    }
    return content;
}

void write_reference_page_file(const object_base& prototype, const std::string& class_name,
                               const std::string& page_path)
{
    if (prototype.has_documentation_flag())
    {
        return;
    }
    std::cout << "Updating Reference Page for class " << class_name << std::endl;
    std::ofstream page(file_path(page_path), std::ios::out | std::ios::trunc | std::ios::binary);
    if (!page)
    {
        std::cerr << "failed to open file stream for refpage" << std::endl;
        return;
    }
    write_reference_page(page, reference_content_of(prototype, class_name));
}

void update_reference_page(const object_base& prototype, const std::string& class_name)
{
    try
    {
        const path_record module = locate(class_name, path_kind::external);
        const tessel_filedate module_date = modification_date(module);
        const std::string module_path = absolute_system_path(module);
        const std::string docs_path =
            cut_after_last_slash(cut_after_last_slash(module_path)) + "/docs";

        const path_record docs = locate(docs_path, path_kind::folder, true);
        const std::string page_path =
            absolute_system_path(docs) + "/" + class_name + ".tesselref.xml";

        bool outdated = true;
        try
        {
            outdated = modification_date(locate(page_path, path_kind::any)) < module_date;
        }
        catch (const error&)
        {
            outdated = true; // no page yet
        }
        if (outdated)
        {
            write_reference_page_file(prototype, class_name, page_path);
        }
    }
    catch (const std::exception& failure)
    {
        std::cerr << "DOC UPDATE ERROR: " << failure.what() << std::endl;
    }
}

} // namespace brindle::korin
