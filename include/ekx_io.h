/* ekx_io — the XML service of the ekx suite.
 *
 * Documents and nodes are opaque handles. Every node handle that a function returns is the
 * caller's and is released with ek_xnode_close; a document with ek_xml_destroy. Closing a node
 * handle never changes the document, and node handles may be closed after their document has
 * been destroyed.
 *
 * Markup: each value is a child element whose text is the value (<GridType>gt2D</GridType>);
 * reading also accepts the value as an attribute of the same name. A narrow key and a wide key
 * with the same characters name the same value. Doubles read back bit-for-bit; booleans are
 * written "True" and "False".
 *
 * Files are written in the encoding set with ek_xml_set_encoding_w (Windows-1251 or UTF-8;
 * characters of text that the encoding lacks become numeric character references) and read in
 * the encoding they declare. Saving replaces the file atomically. External entities are never
 * expanded.
 *
 * Element names have no such references, so a tree always holds only names that its document
 * can save: every function that takes an element name (ek_xml_set_root_w, ek_xnode_set_node_w,
 * ek_xnode_add_node_*) refuses one that is not an XML name or that holds a character the
 * document's encoding lacks (L"Café" in a Windows-1251 document); ek_xml_set_encoding_w keeps the
 * old encoding when the new one lacks a character of a name already in the tree; a file loaded
 * with names that the document's encoding lacks switches the document to UTF-8.
 *
 * Null handles and null texts answer with the failure value (null, false, the default) or do
 * nothing. No C++ exception leaves any function of this library. */
#ifndef EKX_IO_H
#define EKX_IO_H

#include <stdbool.h>
#include <stddef.h>
#include <wchar.h>

#include "ekx_basic.h"

#if defined(_WIN32)
#  if defined(EKX_IO_BUILD)
#    define EKX_IO_API __declspec(dllexport)
#  else
#    define EKX_IO_API __declspec(dllimport)
#  endif
#else
#  define EKX_IO_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct Tek_xml_doc Tek_xml_doc;
typedef struct Tek_xml_node Tek_xml_node;

/* Documents */
EKX_IO_API Tek_xml_doc* ek_xml_create(void);
EKX_IO_API void ek_xml_destroy(Tek_xml_doc* doc);
EKX_IO_API void ek_xml_set_encoding_w(Tek_xml_doc* doc, const wchar_t* encoding);
EKX_IO_API void ek_xml_set_whitespaces(Tek_xml_doc* doc, bool indent);
/* Replaces the document's tree by the file's; false (tree unchanged) when the file cannot be
 * read or is not well-formed XML. */
EKX_IO_API bool ek_xml_load_from_file_w(Tek_xml_doc* doc, const wchar_t* path);
/* Writes the tree to a temporary file beside path, then renames it over path. */
EKX_IO_API bool ek_xml_save_to_file_w(Tek_xml_doc* doc, const wchar_t* path);
/* The document element when name is null or equals its name without regard to case; else null. */
EKX_IO_API Tek_xml_node* ek_xml_get_root_w(Tek_xml_doc* doc, const wchar_t* name);
/* Replaces the whole tree by a new document element of that name and returns it; null (tree
 * unchanged) for a name the document cannot save. */
EKX_IO_API Tek_xml_node* ek_xml_set_root_w(Tek_xml_doc* doc, const wchar_t* name);

/* Nodes */
EKX_IO_API void ek_xnode_close(Tek_xml_node* node);
EKX_IO_API void ek_xnode_get_name_adp(Tek_xml_node* node, Tek_string_adapter* adapter);
EKX_IO_API Tek_xml_node* ek_xnode_get_node_w(Tek_xml_node* node, const wchar_t* name);  /* first child element of that name */
EKX_IO_API Tek_xml_node* ek_xnode_get_node_by_no(Tek_xml_node* node, int index);         /* child elements in order */
/* Always appends a new child; null for a name the document cannot save. */
EKX_IO_API Tek_xml_node* ek_xnode_set_node_w(Tek_xml_node* node, const wchar_t* name);

/* Values by key: the default when the key is missing or its text is not a value of that type. */
EKX_IO_API bool ek_xnode_get_node_bool(Tek_xml_node* node, const wchar_t* key, bool def);
EKX_IO_API int ek_xnode_get_node_int(Tek_xml_node* node, const wchar_t* key, int def);
EKX_IO_API long long ek_xnode_get_node_int64(Tek_xml_node* node, const wchar_t* key, long long def);
EKX_IO_API double ek_xnode_get_node_dbl(Tek_xml_node* node, const wchar_t* key, double def);
/* Feeds the value's text (or def, or "" when def is null) to the adapter. */
EKX_IO_API void ek_xnode_get_node_str(Tek_xml_node* node, const char* key, const char* def, Tek_string_adapter* adapter);
EKX_IO_API void ek_xnode_get_node_wstr(Tek_xml_node* node, const wchar_t* key, const wchar_t* def,
                                       Tek_string_adapter* adapter);

/* Adds a value as a new child element; false when nothing could be added (also for a key that
 * the document cannot save as an element name, see above). */
EKX_IO_API bool ek_xnode_add_node_wstr(Tek_xml_node* node, const wchar_t* key, const wchar_t* text);
EKX_IO_API bool ek_xnode_add_node_str(Tek_xml_node* node, const char* key, const char* text);
EKX_IO_API bool ek_xnode_add_node_int(Tek_xml_node* node, const wchar_t* key, int value);
EKX_IO_API bool ek_xnode_add_node_int64(Tek_xml_node* node, const wchar_t* key, long long value);
EKX_IO_API bool ek_xnode_add_node_dbl(Tek_xml_node* node, const wchar_t* key, double value);
EKX_IO_API bool ek_xnode_add_node_bool(Tek_xml_node* node, const wchar_t* key, bool value);

#ifdef __cplusplus
}
#endif

#endif /* EKX_IO_H */
