// Wavefront OBJ text through the converter's importer, then the mesh file
// writer and the presentation's mesh check. The promises: a refusal names
// its reason; an accepted text gives a mesh the writer takes, whose file
// the presentation's check accepts.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "assets/mesh_file.h"
#include "common/mesh_writer.h"
#include "common/obj_import.h"
#include "promise.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  MeshData mesh;
  std::string error;
  if (!importObj(text, &mesh, &error)) {
    FUZZ_PROMISE(!error.empty(), "a refused OBJ text carries a reason");
    return 0;
  }
  std::string problem;
  FUZZ_PROMISE(checkMeshData(mesh, &problem), "an imported mesh is one the writer takes");
  const std::vector<std::uint8_t> file = encodeMeshFile(mesh);
  FUZZ_PROMISE(!file.empty(), "an imported mesh encodes");
  FUZZ_PROMISE(checkMeshFile(file.data(), file.size(), &problem), "the file of an imported mesh passes the check");
  return 0;
}
