# Development values or vendor values. A plain configure compiles in the development
# release URL, the development TLS pins with their CA and the development signing
# key, so that the installer talks to the development release server out of the box.
# A vendor who ships must not get those by accident: QUILLMAR_RELEASE=ON refuses to
# configure until every vendor value is given and none of them is a development one,
# and a development build says what it is, at configure time and in the executable's
# version resource.
option(QUILLMAR_RELEASE "A release build for shipping: refuses every development value" OFF)

set(development_values "")
if(QUILLMAR_RELEASE_URL STREQUAL "" OR QUILLMAR_RELEASE_URL MATCHES "^https://(localhost|127\\.0\\.0\\.1)(:[0-9]+)?/*$")
  list(APPEND development_values "QUILLMAR_RELEASE_URL (${QUILLMAR_RELEASE_URL}) is the development server's")
elseif(NOT QUILLMAR_RELEASE_URL MATCHES "^https://")
  list(APPEND development_values "QUILLMAR_RELEASE_URL must be an https:// URL")
endif()
if(QUILLMAR_TLS_PINS STREQUAL "")
  list(APPEND development_values "QUILLMAR_TLS_PINS is empty, so the development pins are compiled in")
else()
  string(REPLACE "," ";" vendor_pins "${QUILLMAR_TLS_PINS}")
  string(REPLACE "," ";" dev_pins "${QUILLMAR_DEV_TLS_PINS}")
  foreach(pin IN LISTS vendor_pins)
    if(pin IN_LIST dev_pins)
      list(APPEND development_values "QUILLMAR_TLS_PINS holds a development pin (${pin})")
    endif()
  endforeach()
endif()
if(QUILLMAR_SIGNING_KEY_PEM STREQUAL "")
  list(APPEND development_values "QUILLMAR_SIGNING_KEY_PEM is empty, so the development signing key is compiled in")
elseif(QUILLMAR_SIGNING_KEY_SHA256 STREQUAL QUILLMAR_DEV_SIGNING_KEY_SHA256)
  list(APPEND development_values "QUILLMAR_SIGNING_KEY_PEM is the development signing key")
endif()
if(NOT QUILLMAR_EFFECTIVE_TRUST_ANCHOR STREQUAL "")
  list(APPEND development_values "an extra trust anchor is compiled in (${QUILLMAR_EFFECTIVE_TRUST_ANCHOR})")
endif()

if(QUILLMAR_RELEASE AND development_values)
  list(JOIN development_values "\n  " reasons)
  message(FATAL_ERROR "QUILLMAR_RELEASE=ON refuses development values:\n  ${reasons}\n"
                      "Give the vendor's QUILLMAR_RELEASE_URL, QUILLMAR_TLS_PINS, QUILLMAR_SIGNING_KEY_PEM and "
                      "QUILLMAR_SIGNING_KEY_SHA256, and no QUILLMAR_EXTRA_TRUST_ANCHOR (README: shipping a release).")
endif()
if(development_values)
  set(QUILLMAR_BUILD_KIND "development build")
  list(JOIN development_values "\n  " reasons)
  message(WARNING "This is a development build, not for shipping:\n  ${reasons}\n"
                  "Configure with -DQUILLMAR_RELEASE=ON and the vendor's values for a release.")
else()
  set(QUILLMAR_BUILD_KIND "release build")
endif()
