// The VARIANT values that automation calls take and give.
#include "automation/automation.h"

namespace platform::automation {

Variant Variant::String(std::string text) {
  Variant value;
  value.type = VarType::kString;
  value.text = std::move(text);
  return value;
}

Variant Variant::I2(int16_t integer) {
  Variant value;
  value.type = VarType::kI2;
  value.integer = integer;
  return value;
}

Variant Variant::I4(int32_t integer) {
  Variant value;
  value.type = VarType::kI4;
  value.integer = integer;
  return value;
}

Variant Variant::Bool(bool flag) {
  Variant value;
  value.type = VarType::kBool;
  value.integer = flag ? 1 : 0;
  return value;
}

Variant Variant::Object(DispatchPtr object) {
  Variant value;
  value.type = VarType::kDispatch;
  value.object = std::move(object);
  return value;
}

Variant Variant::Omitted() {
  Variant value;
  value.type = VarType::kError;
  value.integer = kParamNotFound;
  return value;
}

}  // namespace platform::automation
