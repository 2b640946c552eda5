// Writes the reference page of a registered class into the "docs" folder beside the module's
// folder, when the page is missing or older than the module file. Progress goes to standard
// output, failures to standard error ("DOC UPDATE ERROR: ..."); nothing is raised to the caller.
// Main thread, during class registration; allocates.
#pragma once

#include "object_base.h"
#include "reference_page.h"

#include <string>

namespace brindle::korin
{

// The page content of a class, read from its prototype's tables.
reference_page_content reference_content_of(const object_base& prototype,
                                            const std::string& class_name);

// Writes the page file now (unless the class opts out of documentation).
void write_reference_page_file(const object_base& prototype, const std::string& class_name,
                               const std::string& page_path);

void update_reference_page(const object_base& prototype, const std::string& class_name);

} // namespace brindle::korin
