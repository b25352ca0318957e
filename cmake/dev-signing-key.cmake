# The release-signing key the installer embeds.
#
# A vendor passes its public key and pinned digest as QUILLMAR_SIGNING_KEY_PEM and
# QUILLMAR_SIGNING_KEY_SHA256. Either way there is a development RSA-4096 key pair,
# made once with the openssl command: tests and the development release server sign
# with its private half, and when the vendor gave no key, the installer embeds its
# public half.
#
# The pair lives beside the build folders (build/dev-keys by default), next to the
# TLS set, not inside one of them: the Windows build is tested under Wine against
# the host build's release server, so both builds must embed the key that server
# signs with. Sets:
#   QUILLMAR_DEV_SIGNING_PRIVATE_KEY  development private key (PEM), for tests and tools
#   QUILLMAR_DEV_SIGNING_PUBLIC_KEY   its public half (PEM, PUBLIC KEY)
#   QUILLMAR_DEV_SIGNING_KEY_SHA256   SHA-256 of its DER SubjectPublicKeyInfo, hex
#   QUILLMAR_EMBEDDED_SIGNING_KEY_PEM_FILE / QUILLMAR_EMBEDDED_SIGNING_KEY_SHA256
#                                     what the installer embeds

find_program(QUILLMAR_OPENSSL_COMMAND openssl REQUIRED)

set(QUILLMAR_DEV_KEYS_DIR "${PROJECT_SOURCE_DIR}/build/dev-keys" CACHE PATH
    "Where the development release-signing key pair is made and kept")
set(dev_key_dir ${QUILLMAR_DEV_KEYS_DIR})
set(QUILLMAR_DEV_SIGNING_PRIVATE_KEY ${dev_key_dir}/signing-private.pem)
set(QUILLMAR_DEV_SIGNING_PUBLIC_KEY ${dev_key_dir}/signing-public.pem)
set(dev_public_der ${dev_key_dir}/signing-public.der)

function(quillmar_run_openssl)
  execute_process(COMMAND ${QUILLMAR_OPENSSL_COMMAND} ${ARGN} RESULT_VARIABLE status ERROR_VARIABLE error OUTPUT_QUIET)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "openssl ${ARGN} failed: ${error}")
  endif()
endfunction()

file(MAKE_DIRECTORY ${dev_key_dir})
# Both build folders may be configured at once; the lock keeps one from reading a
# key the other is still writing, or both from making a different one.
file(LOCK ${dev_key_dir}/.lock GUARD FILE TIMEOUT 600)
if(NOT EXISTS ${QUILLMAR_DEV_SIGNING_PRIVATE_KEY})
  message(STATUS "Generating the development release-signing key (RSA-4096)")
  # Written under another name and moved, so an interrupted configure never leaves
  # half a key that later runs would take for a whole one.
  quillmar_run_openssl(genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:4096 -out ${QUILLMAR_DEV_SIGNING_PRIVATE_KEY}.new)
  file(RENAME ${QUILLMAR_DEV_SIGNING_PRIVATE_KEY}.new ${QUILLMAR_DEV_SIGNING_PRIVATE_KEY})
  file(REMOVE ${QUILLMAR_DEV_SIGNING_PUBLIC_KEY} ${dev_public_der})
endif()
if(NOT EXISTS ${QUILLMAR_DEV_SIGNING_PUBLIC_KEY} OR NOT EXISTS ${dev_public_der})
  quillmar_run_openssl(pkey -in ${QUILLMAR_DEV_SIGNING_PRIVATE_KEY} -pubout -out ${QUILLMAR_DEV_SIGNING_PUBLIC_KEY})
  quillmar_run_openssl(pkey -pubin -in ${QUILLMAR_DEV_SIGNING_PUBLIC_KEY} -outform DER -out ${dev_public_der})
endif()
file(SHA256 ${dev_public_der} QUILLMAR_DEV_SIGNING_KEY_SHA256)
file(LOCK ${dev_key_dir}/.lock RELEASE)

if(QUILLMAR_SIGNING_KEY_PEM OR QUILLMAR_SIGNING_KEY_SHA256)
  if(NOT QUILLMAR_SIGNING_KEY_PEM OR NOT QUILLMAR_SIGNING_KEY_SHA256)
    message(FATAL_ERROR "QUILLMAR_SIGNING_KEY_PEM and QUILLMAR_SIGNING_KEY_SHA256 are given together or not at all")
  endif()
  if(NOT EXISTS ${QUILLMAR_SIGNING_KEY_PEM})
    message(FATAL_ERROR "QUILLMAR_SIGNING_KEY_PEM names a missing file: ${QUILLMAR_SIGNING_KEY_PEM}")
  endif()
  # The installer compares the digest text byte for byte, so a pin in capitals or
  # with stray characters would make every build refuse to start.
  if(NOT QUILLMAR_SIGNING_KEY_SHA256 MATCHES "^[0-9a-f]+$")
    message(FATAL_ERROR "QUILLMAR_SIGNING_KEY_SHA256 must be 64 lowercase hexadecimal digits")
  endif()
  string(LENGTH "${QUILLMAR_SIGNING_KEY_SHA256}" digest_length)
  if(NOT digest_length EQUAL 64)
    message(FATAL_ERROR "QUILLMAR_SIGNING_KEY_SHA256 must be 64 lowercase hexadecimal digits")
  endif()
  set(QUILLMAR_EMBEDDED_SIGNING_KEY_PEM_FILE ${QUILLMAR_SIGNING_KEY_PEM})
  set(QUILLMAR_EMBEDDED_SIGNING_KEY_SHA256 ${QUILLMAR_SIGNING_KEY_SHA256})
else()
  set(QUILLMAR_EMBEDDED_SIGNING_KEY_PEM_FILE ${QUILLMAR_DEV_SIGNING_PUBLIC_KEY})
  set(QUILLMAR_EMBEDDED_SIGNING_KEY_SHA256 ${QUILLMAR_DEV_SIGNING_KEY_SHA256})
endif()
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${QUILLMAR_EMBEDDED_SIGNING_KEY_PEM_FILE})
