#include "AtspiWire.h"

#include <cstring>
#include <string>
#include <vector>

namespace platform::accessibility {
namespace {

bool appendValue(DBusMessageIter* into, GVariant* value);

bool appendBasic(DBusMessageIter* into, GVariant* value, char type) {
  switch (type) {
    case 'y': {
      const guchar v = g_variant_get_byte(value);
      return dbus_message_iter_append_basic(into, DBUS_TYPE_BYTE, &v);
    }
    case 'b': {
      const dbus_bool_t v = g_variant_get_boolean(value) ? TRUE : FALSE;
      return dbus_message_iter_append_basic(into, DBUS_TYPE_BOOLEAN, &v);
    }
    case 'n': {
      const dbus_int16_t v = g_variant_get_int16(value);
      return dbus_message_iter_append_basic(into, DBUS_TYPE_INT16, &v);
    }
    case 'q': {
      const dbus_uint16_t v = g_variant_get_uint16(value);
      return dbus_message_iter_append_basic(into, DBUS_TYPE_UINT16, &v);
    }
    case 'i': {
      const dbus_int32_t v = g_variant_get_int32(value);
      return dbus_message_iter_append_basic(into, DBUS_TYPE_INT32, &v);
    }
    case 'u': {
      const dbus_uint32_t v = g_variant_get_uint32(value);
      return dbus_message_iter_append_basic(into, DBUS_TYPE_UINT32, &v);
    }
    case 'x': {
      const dbus_int64_t v = g_variant_get_int64(value);
      return dbus_message_iter_append_basic(into, DBUS_TYPE_INT64, &v);
    }
    case 't': {
      const dbus_uint64_t v = g_variant_get_uint64(value);
      return dbus_message_iter_append_basic(into, DBUS_TYPE_UINT64, &v);
    }
    case 'd': {
      const double v = g_variant_get_double(value);
      return dbus_message_iter_append_basic(into, DBUS_TYPE_DOUBLE, &v);
    }
    case 's':
    case 'o':
    case 'g': {
      const char* v = g_variant_get_string(value, nullptr);
      const int wire = type == 's'   ? DBUS_TYPE_STRING
                       : type == 'o' ? DBUS_TYPE_OBJECT_PATH
                                     : DBUS_TYPE_SIGNATURE;
      return dbus_message_iter_append_basic(into, wire, &v);
    }
    default:
      return false;  // 'h': handles are not carried
  }
}

bool appendChildren(DBusMessageIter* into, GVariant* value) {
  const gsize count = g_variant_n_children(value);
  for (gsize i = 0; i < count; ++i) {
    GVariant* child = g_variant_get_child_value(value, i);
    const bool appended = appendValue(into, child);
    g_variant_unref(child);
    if (!appended) return false;
  }
  return true;
}

bool appendContainer(DBusMessageIter* into, int wire, const char* signature, GVariant* value) {
  DBusMessageIter inner;
  if (!dbus_message_iter_open_container(into, wire, signature, &inner)) return false;
  if (!appendChildren(&inner, value)) {
    dbus_message_iter_abandon_container(into, &inner);
    return false;
  }
  return dbus_message_iter_close_container(into, &inner);
}

bool appendValue(DBusMessageIter* into, GVariant* value) {
  const char* type = g_variant_get_type_string(value);
  switch (type[0]) {
    case 'a':
      return appendContainer(into, DBUS_TYPE_ARRAY, type + 1, value);
    case '(':
      return appendContainer(into, DBUS_TYPE_STRUCT, nullptr, value);
    case '{':
      return appendContainer(into, DBUS_TYPE_DICT_ENTRY, nullptr, value);
    case 'v': {
      GVariant* inner = g_variant_get_variant(value);
      DBusMessageIter boxed;
      bool appended = dbus_message_iter_open_container(into, DBUS_TYPE_VARIANT,
                                                       g_variant_get_type_string(inner), &boxed);
      if (appended && !appendValue(&boxed, inner)) {
        dbus_message_iter_abandon_container(into, &boxed);
        appended = false;
      } else if (appended) {
        appended = dbus_message_iter_close_container(into, &boxed);
      }
      g_variant_unref(inner);
      return appended;
    }
    default:
      return appendBasic(into, value, type[0]);
  }
}

GVariant* readValue(DBusMessageIter* from);

// The values from `from` to its end; false when one cannot be read.
bool readAll(DBusMessageIter* from, std::vector<GVariant*>& values) {
  for (int type = dbus_message_iter_get_arg_type(from); type != DBUS_TYPE_INVALID;
       dbus_message_iter_next(from), type = dbus_message_iter_get_arg_type(from)) {
    GVariant* value = readValue(from);
    if (value == nullptr) return false;
    values.push_back(value);
  }
  return true;
}

void releaseAll(std::vector<GVariant*>& values) {
  for (GVariant* value : values) g_variant_unref(g_variant_ref_sink(value));
  values.clear();
}

GVariant* readContainer(DBusMessageIter* from, int type) {
  DBusMessageIter inner;
  dbus_message_iter_recurse(from, &inner);
  std::vector<GVariant*> children;
  if (!readAll(&inner, children)) {
    releaseAll(children);
    return nullptr;
  }
  if (type == DBUS_TYPE_STRUCT) return g_variant_new_tuple(children.data(), children.size());
  if (type == DBUS_TYPE_DICT_ENTRY) {
    if (children.size() != 2) {
      releaseAll(children);
      return nullptr;
    }
    return g_variant_new_dict_entry(children[0], children[1]);
  }
  if (type == DBUS_TYPE_VARIANT) {
    if (children.size() != 1) {
      releaseAll(children);
      return nullptr;
    }
    return g_variant_new_variant(children[0]);
  }
  // An array: its element type from the signature, which an empty one needs.
  char* signature = dbus_message_iter_get_signature(from);
  GVariant* array = nullptr;
  if (signature != nullptr && g_variant_type_string_is_valid(signature)) {
    const GVariantType* element = G_VARIANT_TYPE(signature + 1);
    array = g_variant_new_array(element, children.data(), children.size());
  } else {
    releaseAll(children);
  }
  dbus_free(signature);
  return array;
}

GVariant* readValue(DBusMessageIter* from) {
  const int type = dbus_message_iter_get_arg_type(from);
  switch (type) {
    case DBUS_TYPE_ARRAY:
    case DBUS_TYPE_STRUCT:
    case DBUS_TYPE_DICT_ENTRY:
    case DBUS_TYPE_VARIANT:
      return readContainer(from, type);
    case DBUS_TYPE_STRING:
    case DBUS_TYPE_OBJECT_PATH:
    case DBUS_TYPE_SIGNATURE: {
      const char* text = nullptr;
      dbus_message_iter_get_basic(from, &text);
      // libdbus has checked the text, the path and the signature.
      return type == DBUS_TYPE_STRING        ? g_variant_new_string(text)
             : type == DBUS_TYPE_OBJECT_PATH ? g_variant_new_object_path(text)
                                             : g_variant_new_signature(text);
    }
    case DBUS_TYPE_UNIX_FD:
    case DBUS_TYPE_INVALID:
      return nullptr;
    default:
      break;
  }
  DBusBasicValue basic;
  std::memset(&basic, 0, sizeof basic);
  dbus_message_iter_get_basic(from, &basic);
  switch (type) {
    case DBUS_TYPE_BYTE:
      return g_variant_new_byte(basic.byt);
    case DBUS_TYPE_BOOLEAN:
      return g_variant_new_boolean(basic.bool_val != 0);
    case DBUS_TYPE_INT16:
      return g_variant_new_int16(basic.i16);
    case DBUS_TYPE_UINT16:
      return g_variant_new_uint16(basic.u16);
    case DBUS_TYPE_INT32:
      return g_variant_new_int32(basic.i32);
    case DBUS_TYPE_UINT32:
      return g_variant_new_uint32(basic.u32);
    case DBUS_TYPE_INT64:
      return g_variant_new_int64(basic.i64);
    case DBUS_TYPE_UINT64:
      return g_variant_new_uint64(basic.u64);
    case DBUS_TYPE_DOUBLE:
      return g_variant_new_double(basic.dbl);
    default:
      return nullptr;
  }
}

}  // namespace

bool appendArguments(DBusMessage* message, GVariant* tuple) {
  if (tuple == nullptr) return true;
  if (!g_variant_is_of_type(tuple, G_VARIANT_TYPE_TUPLE)) return false;
  DBusMessageIter into;
  dbus_message_iter_init_append(message, &into);
  return appendChildren(&into, tuple);
}

GVariant* argumentsOf(DBusMessage* message) {
  DBusMessageIter from;
  std::vector<GVariant*> values;
  if (dbus_message_iter_init(message, &from) && !readAll(&from, values)) {
    releaseAll(values);
    return nullptr;
  }
  return g_variant_ref_sink(g_variant_new_tuple(values.data(), values.size()));
}

}  // namespace platform::accessibility
