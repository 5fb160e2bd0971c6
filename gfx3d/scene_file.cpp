#include "gfx3d/scene_file.h"

#include <algorithm>
#include <string>

#include "core/number_text.h"
#include "core/rt_string.h"
#include "files/ini_document.h"
#include "files/media_resolver.h"
#include "files/section_reader.h"
#include "gfx2d/image_buffer.h"
#include "gfx2d/image_files.h"
#include "gfx2d/texture_upload.h"
#include "gfx3d/ddd_file.h"
#include "gfx3d/dodevudi3d.h"
#include "gfx3d/mesh_build.h"

namespace {

int32_t ValueOf(const IniDocument& document, const char* section, const std::string& key) {
  return TextToInt(SectionReaderGet(document, section, key.c_str(), "0"));
}

// The section's count, at least 0 and at most the number of keys the
// section holds.
int32_t CountOf(const IniDocument& document, const char* section) {
  const int32_t index = IniFindSection(document, section);
  if (index < 0) return 0;
  const int32_t keys = document.sections[index].keys.count;
  return std::clamp(ValueOf(document, section, "count"), 0, keys);
}

uint32_t LoadTexture(const std::string& path, uint32_t colourKey) {
  std::string resolved;
  if (MediaResolveName(path.c_str(), &resolved) == 0) return 0;
  ImageBuffer image;
  uint32_t texture = 0;
  if (ImageLoadFile(image, resolved.c_str(), static_cast<int32_t>(colourKey))) {
    if (image.flag == 0) ImageBleedTransparent(image);
    if (!TextureUpload(image, 0, 0, 0, 0, &texture, nullptr, false, false)) texture = 0;
  }
  ImageBufferRelease(image);
  return texture;
}

}  // namespace

bool SceneLoad(const char* name, Object3D& object, uint32_t colourKey) {
  object.inUse = 1;
  object.severalMeshes = 1;
  IniDocument document;
  SectionReaderParse(document, name);

  const std::string scene = name;
  const size_t slash = scene.find_last_of("/\\");
  const std::string prefix = slash == std::string::npos ? std::string() : scene.substr(0, slash + 1);

  // New entries are made by the block's rebuild; no storage means none.
  const int32_t textures = CountOf(document, "textures");
  object.textures.count = textures > 0 && object.textures.Reserve(textures) ? textures : 0;
  for (int32_t i = 0; i < object.textures.count; ++i) {
    const std::string file = SectionReaderGet(document, "textures", std::to_string(i + 1).c_str(), "0").c_str();
    object.textures[i] = LoadTexture(prefix + file, colourKey);
  }

  const int32_t meshes = CountOf(document, "objects");
  object.meshes.count = meshes > 0 && object.meshes.Reserve(meshes) ? meshes : 0;
  for (int32_t i = 0; i < object.meshes.count; ++i) {
    const std::string key = std::to_string(i + 1);
    const std::string file = SectionReaderGet(document, "objects", key.c_str(), "0").c_str();
    MeshObjectX& mesh = object.meshes[i];
    std::string resolved;
    if (MediaResolveName((prefix + file).c_str(), &resolved) != 0) MeshLoadDdd(mesh, resolved.c_str());
    for (int t = 0; t < 2; ++t) {
      const int32_t index = ValueOf(document, "objects", key + (t == 0 ? "ta" : "tb"));
      mesh.textureIndex[t] = index > 0 ? index - 1 : index;
    }
    mesh.BuildTriangles();
    MeshBounds(mesh);
  }
  // The document is only read: it is emptied without being written back.
  IniDocumentEmpty(document);
  return true;
}
