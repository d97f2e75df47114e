# Writes OUT, a C++ file holding IN (docs/functions.md) as UTF-8 bytes, so
# that editors' hovers show the same function reference that users read.
file(READ ${IN} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
set(body "// Made by cmake/embed_function_reference.cmake from docs/functions.md; do not edit.\n")
string(APPEND body "#include \"library/registry/doc_tables.h\"\n\nnamespace qel {\nnamespace {\n")
string(APPEND body "const unsigned char kReference[] = {${bytes}};\n}  // namespace\n\n")
string(APPEND body "std::string_view functionReferenceUtf8() {\n    return {reinterpret_cast<const char*>(kReference), sizeof kReference};\n}\n\n")
string(APPEND body "}  // namespace qel\n")
file(WRITE ${OUT}.new "${body}")
file(COPY_FILE ${OUT}.new ${OUT} ONLY_IF_DIFFERENT)
